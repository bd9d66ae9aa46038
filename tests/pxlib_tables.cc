#include "pxlib_tables.h"

#ifdef TOLVERN_HAVE_PXLIB
#include <cstdlib>
#include <cstring>

// paradox.h declares C functions without saying so.
extern "C" {
#include <paradox.h>
}
#endif

namespace tolvern::testing {

#ifdef TOLVERN_HAVE_PXLIB

namespace {

void Complain(pxdoc_t*, int, const char* message, void* data) {
  *static_cast<std::string*>(data) += message;
}

// pxlib frees the field list and its names with its own allocator: malloc.
pxfield_t* FieldList(const std::vector<PxField>& fields) {
  auto* list = static_cast<pxfield_t*>(std::calloc(fields.size(), sizeof(pxfield_t)));
  for (size_t i = 0; i < fields.size(); ++i) {
    list[i].px_fname = strdup(fields[i].name.c_str());
    list[i].px_ftype = static_cast<char>(fields[i].type);
    list[i].px_flen = fields[i].type == 0x17 ? 17 : fields[i].size;
    list[i].px_fdc = fields[i].type == 0x17 ? fields[i].size : 0;
  }
  return list;
}

}  // namespace

bool PxlibAvailable() { return true; }

bool PxlibWriteTable(const std::string& path, const std::vector<PxField>& fields,
                     const std::vector<std::vector<std::string>>& records,
                     const std::string& password, std::string* error) {
  PX_boot();
  pxdoc_t* doc = PX_new3(Complain, nullptr, nullptr, nullptr, error);
  bool ok = PX_create_file(doc, FieldList(fields), static_cast<int>(fields.size()), path.c_str(),
                           pxfFileTypNonIndexDB) >= 0;
  if (ok && !password.empty()) ok = PX_set_parameter(doc, "password", password.c_str()) >= 0;
  for (const std::vector<std::string>& record : records) {
    std::string bytes;
    for (size_t f = 0; f < fields.size(); ++f) {
      std::string field = record[f];
      field.resize(fields[f].type == 0x17 ? 17 : static_cast<size_t>(fields[f].size), '\0');
      bytes += field;
    }
    if (ok) ok = PX_put_record(doc, bytes.data()) >= 0;
  }
  PX_close(doc);
  PX_delete(doc);
  return ok && error->empty();
}

#else

bool PxlibAvailable() { return false; }

bool PxlibWriteTable(const std::string&, const std::vector<PxField>&,
                     const std::vector<std::vector<std::string>>&, const std::string&,
                     std::string* error) {
  *error = "this build has no pxlib";
  return false;
}

#endif

}  // namespace tolvern::testing
