#pragma once
// An SQL text sent on a session; its result comes back as a rowset.
#include <string>

#include "OLE/ole_ptr.h"
#include "platform/oledb/oledb_interfaces.h"

class odb_command {
 public:
  explicit odb_command(IOpenRowset* session);
  // From an initialised data source: opens a session of its own.
  explicit odb_command(IDBInitialize* data_source);

  // With no result place the command asks for no rowset.
  void execute(const std::u16string& text, ole_ptr<IRowset>* result);

  IOpenRowset* session() const { return session_.get(); }

 private:
  void create();

  ole_ptr<IOpenRowset> session_;
  ole_ptr<ICommandText> text_;
};
