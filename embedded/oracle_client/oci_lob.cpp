// LOB locators: write (in one piece or streamed), read (in one call, polled
// pieces or through a callback), length and character set form.
#include <cstring>

#include "embedded/oracle_client/eoci.h"
#include "embedded/oracle_client/handles.h"
#include "platform/text/utf.h"

using namespace tsl::eoci;
using tsl::eora::oracle_error;

namespace {

// A CLOB buffer is UTF-16 when the character set id says so, or when it is 0
// in a UTF-16 environment; otherwise UTF-8.
bool wide_buffer(const lob_handle* lob, ub2 csid) {
  return csid == OCI_UTF16ID || (csid == 0 && lob->env != nullptr && lob->env->utf16);
}

std::string decode(const lob_handle* lob, ub2 csid, const void* buf, size_t bytes) {
  if (!wide_buffer(lob, csid)) return std::string(static_cast<const char*>(buf), bytes);
  std::u16string w(bytes / 2, u'\0');
  std::memcpy(w.data(), buf, w.size() * 2);
  return tsl::text::utf16_to_utf8(w);
}

// The first `units` UTF-16 code units of UTF-8 text.
std::string first_units(const std::string& s, uint64_t units) {
  std::u16string w = tsl::text::utf8_to_utf16(s);
  if (w.size() <= units) return s;
  return tsl::text::utf16_to_utf8(std::u16string_view(w).substr(0, static_cast<size_t>(units)));
}

// The character set form must be the LOB's: SQLCS_NCHAR for an NCLOB,
// SQLCS_IMPLICIT (or 0, the default) for a CLOB. A BLOB has none.
bool form_matches(const lob_handle* lob, ub1 csfrm) {
  if (lob->ref.binary) return true;
  if (lob->ref.national) return csfrm == SQLCS_NCHAR;
  return csfrm == SQLCS_IMPLICIT || csfrm == 0;
}

lob_handle* usable(OCILobLocator* locp, error_handle* err, sword& rc) {
  auto* lob = as<lob_handle>(locp, OCI_DTYPE_LOB);
  if (lob == nullptr) {
    rc = OCI_INVALID_HANDLE;
    return nullptr;
  }
  if (!lob->valid || lob->owner == nullptr) {
    rc = fail(err, 22275);
    return nullptr;
  }
  return lob;
}

}  // namespace

TSL_EOCI_BEGIN

TSL_EOCI_API sword OCILobWrite(OCISvcCtx*, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                               ub4 offset, void* bufp, ub4 buflen, ub1 piece, void*,
                               OCICallbackLobWrite, ub2 csid, ub1 csfrm) {
  auto* err = as<error_handle>(errhp, OCI_HTYPE_ERROR);
  sword rc = OCI_SUCCESS;
  lob_handle* lob = usable(locp, err, rc);
  if (lob == nullptr) return rc;
  if (!form_matches(lob, csfrm)) return fail(err, 24806);
  if (offset == 0 && piece != OCI_NEXT_PIECE && piece != OCI_LAST_PIECE) return fail(err, 22275);
  try {
    std::string data = lob->ref.binary ? std::string(static_cast<const char*>(bufp), buflen)
                                       : decode(lob, csid, bufp, buflen);
    // The amount limits what is written: bytes of a BLOB, UTF-16 code units
    // of a CLOB.
    if (amtp != nullptr && *amtp > 0 && piece == OCI_ONE_PIECE) {
      if (lob->ref.binary)
        data.resize(std::min<size_t>(data.size(), *amtp));
      else
        data = first_units(data, *amtp);
    }
    if (piece == OCI_FIRST_PIECE) {
      lob->pending = data;
      lob->pending_offset = offset;
      return OCI_NEED_DATA;
    }
    if (piece == OCI_NEXT_PIECE) {
      lob->pending += data;
      return OCI_NEED_DATA;
    }
    uint64_t at = offset;
    if (piece == OCI_LAST_PIECE) {
      data = lob->pending + data;
      lob->pending.clear();
      at = lob->pending_offset;
    }
    lob->owner->lob_write(lob->ref, at, data);
    if (amtp != nullptr)
      *amtp =
          static_cast<ub4>(lob->ref.binary ? data.size() : tsl::text::utf8_to_utf16(data).size());
  } catch (const oracle_error& e) {
    return fail(err, e);
  }
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCILobRead(OCISvcCtx*, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                              ub4 offset, void* bufp, ub4 bufl, void* ctxp, OCICallbackLobRead cbfp,
                              ub2 csid, ub1 csfrm) {
  auto* err = as<error_handle>(errhp, OCI_HTYPE_ERROR);
  sword rc = OCI_SUCCESS;
  lob_handle* lob = usable(locp, err, rc);
  if (lob == nullptr) return rc;
  if (amtp == nullptr || bufp == nullptr) return OCI_INVALID_HANDLE;
  if (!form_matches(lob, csfrm)) return fail(err, 24806);
  try {
    bool wide = !lob->ref.binary && wide_buffer(lob, csid);
    uint64_t total = lob->owner->lob_length(lob->ref);
    uint64_t wanted = *amtp;
    // A polled read goes on where the last piece ended.
    uint64_t start = lob->read_at != 0 ? lob->read_at : offset;
    if (start == 0) return fail(err, 22275);
    // Nothing at the offset: no data, and nothing read.
    if (start > total) {
      lob->read_at = 0;
      *amtp = 0;
      return OCI_NO_DATA;
    }
    uint64_t remaining = total - start + 1;
    uint64_t goal = wanted == 0 ? remaining : std::min<uint64_t>(wanted, remaining);
    // Units per call: a CLOB counts UTF-16 code units, two bytes each in a
    // UTF-16 buffer and up to three in a UTF-8 one; a BLOB counts bytes.
    uint64_t fits = lob->ref.binary ? bufl : (wide ? bufl / 2 : bufl / 3);
    if (fits == 0) fits = 1;
    // Reads `count` units from `from` into the buffer; answers the units
    // read and sets the bytes placed.
    size_t out = 0;
    auto piece_at = [&](uint64_t from, uint64_t count) -> uint64_t {
      if (lob->ref.binary) {
        std::string chunk = lob->owner->lob_read(lob->ref, from, count);
        std::memcpy(bufp, chunk.data(), chunk.size());
        out = chunk.size();
        return chunk.size();
      }
      std::u16string units = lob->owner->clob_read(lob->ref, from, count);
      if (wide) {
        std::memcpy(bufp, units.data(), units.size() * 2);
        out = units.size() * 2;
        return units.size();
      }
      // UTF-8 cannot carry half a pair: it waits for the next piece.
      if (units.size() > 1 && units.back() >= 0xD800 && units.back() <= 0xDBFF) units.pop_back();
      std::string narrow = tsl::text::utf16_to_utf8(units);
      std::memcpy(bufp, narrow.data(), narrow.size());
      out = narrow.size();
      return units.size();
    };
    if (cbfp != nullptr) {
      uint64_t at = start, now = 0;
      bool first = true;
      while (now < goal) {
        uint64_t got = piece_at(at, std::min(fits, goal - now));
        if (got == 0) break;
        now += got;
        at += got;
        ub1 piece = now >= goal ? OCI_LAST_PIECE : (first ? OCI_FIRST_PIECE : OCI_NEXT_PIECE);
        first = false;
        if (cbfp(ctxp, bufp, static_cast<ub4>(out), piece) != OCI_CONTINUE) break;
      }
      *amtp = static_cast<ub4>(now);
      return OCI_SUCCESS;
    }
    uint64_t got = piece_at(start, std::min(fits, goal));
    *amtp = static_cast<ub4>(got);
    if (got < goal && (wanted == 0 || wanted > got)) {
      lob->read_at = start + got;
      return OCI_NEED_DATA;
    }
    lob->read_at = 0;
  } catch (const oracle_error& e) {
    return fail(err, e);
  }
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCILobGetLength(OCISvcCtx*, OCIError* errhp, OCILobLocator* locp, ub4* lenp) {
  auto* err = as<error_handle>(errhp, OCI_HTYPE_ERROR);
  sword rc = OCI_SUCCESS;
  lob_handle* lob = usable(locp, err, rc);
  if (lob == nullptr) return rc;
  try {
    if (lenp != nullptr) *lenp = static_cast<ub4>(lob->owner->lob_length(lob->ref));
  } catch (const oracle_error& e) {
    return fail(err, e);
  }
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCILobCharSetForm(OCIEnv*, OCIError*, const OCILobLocator* locp, ub1* csfrm) {
  auto* lob = as<lob_handle>(locp, OCI_DTYPE_LOB);
  if (lob == nullptr || csfrm == nullptr) return OCI_INVALID_HANDLE;
  *csfrm = lob->ref.binary ? 0 : (lob->ref.national ? SQLCS_NCHAR : SQLCS_IMPLICIT);
  return OCI_SUCCESS;
}

TSL_EOCI_END
