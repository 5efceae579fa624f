#include "ORA/ora_exception.h"

#include "TK/tk_trace.h"

ora_exception::ora_exception(int ora_number, const std::u16string& text) : tk_exception(text, 0) {
  system_error_ = code_base + (static_cast<uint32_t>(ora_number) & 0xFFFFu);
  tk_trace(3, "ora_exception: %s", message_.c_str());
}

bool ora_exception::is_storage_failure() const {
  // Numbers modulo 65536, as the code keeps them: 27072 and 19502 stay.
  switch (ora_number()) {
    case 1114:   // IO error writing block to file
    case 1115:   // IO error reading block from file
    case 1116:   // error in opening database file
    case 1157:   // cannot identify/lock data file
    case 1536:   // space quota exceeded for tablespace
    case 1578:   // ORACLE data block corrupted
    case 1652:   // unable to extend temp segment
    case 1653:   // unable to extend table
    case 1654:   // unable to extend index
    case 1658:   // unable to create INITIAL extent
    case 1659:   // unable to allocate MINEXTENTS
    case 1688:   // unable to extend table partition
    case 1691:   // unable to extend lob segment
    case 3113:   // end-of-file on communication channel
    case 3114:   // not connected to ORACLE
    case 3135:   // connection lost contact
    case 19502:  // write error on file
    case 27072:  // File I/O error
      return true;
    default:
      return false;
  }
}
