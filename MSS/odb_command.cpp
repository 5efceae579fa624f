#include "MSS/odb_command.h"

#include "MSS/odb_exception.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

namespace {

[[noreturn]] void fail(HRESULT hr) {
  tk_trace(2, "Error code: %08X", static_cast<unsigned>(hr));
  throw odb_exception(hr);
}

}  // namespace

odb_command::odb_command(IOpenRowset* session) : session_(session) {
  tk_trace(2, "odb_command::ctor(1)");
  if (!session_) throw tk_mail_assertion("odb_cmd", 30);
  create();
}

odb_command::odb_command(IDBInitialize* data_source) {
  tk_trace(2, "odb_command::ctor(2)");
  if (!data_source) throw tk_mail_assertion("odb_cmd", 37);
  ole_ptr<IDBCreateSession> cs;
  HRESULT hr = data_source->QueryInterface(IID_IDBCreateSession, cs.put_void());
  if (FAILED(hr)) fail(hr);
  hr = cs->CreateSession(nullptr, IID_IOpenRowset, reinterpret_cast<IUnknown**>(session_.put()));
  if (FAILED(hr)) fail(hr);
  create();
}

void odb_command::create() {
  ole_ptr<IDBCreateCommand> cc;
  HRESULT hr = session_.query(IID_IDBCreateCommand, cc);
  if (FAILED(hr)) fail(hr);
  ole_ptr<ICommand> command;
  hr = cc->CreateCommand(nullptr, IID_ICommand, reinterpret_cast<IUnknown**>(command.put()));
  if (FAILED(hr)) fail(hr);
  hr = command.query(IID_ICommandText, text_);
  if (FAILED(hr)) fail(hr);
}

void odb_command::execute(const std::u16string& text, ole_ptr<IRowset>* result) {
  tk_trace_w(2, u"odb_command::execute(%s)", text.c_str());
  HRESULT hr = text_->SetCommandText(DBGUID_DEFAULT, text.c_str());
  if (FAILED(hr)) fail(hr);
  if (result) {
    hr = text_->Execute(nullptr, IID_IRowset, nullptr, nullptr,
                        reinterpret_cast<IUnknown**>(result->put()));
  } else {
    hr = text_->Execute(nullptr, GUID{}, nullptr, nullptr, nullptr);
  }
  if (FAILED(hr)) fail(hr);
}
