// What a replaced file keeps besides its bytes, as a copy that preserves everything does:
// the ACL through libacl, the extended attributes the system allows copying (libattr reads
// its list of those never to copy, /etc/xattr.conf).
#include "platform/KeptAttributes.h"

#include <acl/libacl.h>
#include <attr/libattr.h>
#include <sys/acl.h>
#include <sys/xattr.h>

#include <vector>

#include "platform/posix/SysCalls.h"

namespace platform {
namespace {

// The permissions of the ACL's owning-group entry as mode bits (rwx = 7).
unsigned GroupEntryBits(acl_t acl) {
  acl_entry_t entry;
  for (int which = ACL_FIRST_ENTRY; acl_get_entry(acl, which, &entry) == 1;
       which = ACL_NEXT_ENTRY) {
    acl_tag_t tag;
    acl_permset_t permissions;
    if (acl_get_tag_type(entry, &tag) != 0 || tag != ACL_GROUP_OBJ ||
        acl_get_permset(entry, &permissions) != 0) {
      continue;
    }
    return (acl_get_perm(permissions, ACL_READ) == 1 ? 4u : 0u) |
           (acl_get_perm(permissions, ACL_WRITE) == 1 ? 2u : 0u) |
           (acl_get_perm(permissions, ACL_EXECUTE) == 1 ? 1u : 0u);
  }
  return 0;
}

void Add(std::string& list, const std::string& name) {
  list += (list.empty() ? "" : ", ") + name;
}

// The attributes' names, NUL-separated; empty where the file system keeps none.
std::string AttributeNames(int fd) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const ssize_t size = Sys().flistxattr(fd, nullptr, 0);
    if (size <= 0) return {};
    std::string names(static_cast<std::size_t>(size), '\0');
    const ssize_t got = Sys().flistxattr(fd, names.data(), names.size());
    if (got >= 0) return names.substr(0, static_cast<std::size_t>(got));
  }
  return {};
}

bool CopyAttribute(int from, int to, const char* name) {
  const ssize_t size = Sys().fgetxattr(from, name, nullptr, 0);
  if (size < 0) return false;
  std::vector<char> value(static_cast<std::size_t>(size) + 1);
  const ssize_t got = Sys().fgetxattr(from, name, value.data(), value.size());
  return got >= 0 && Sys().fsetxattr(to, name, value.data(), static_cast<std::size_t>(got), 0) == 0;
}

}  // namespace

std::string KeepAttributes(FileHandle fromHandle, FileHandle toHandle, unsigned mode) {
  const int from = static_cast<int>(fromHandle), to = static_cast<int>(toHandle);
  std::string lost;
  acl_t acl = acl_get_fd(from);
  const bool bAcl = acl != nullptr && acl_equiv_mode(acl, nullptr) == 1;
  if (bAcl) mode = (mode & ~070u) | GroupEntryBits(acl) << 3;
  Sys().fchmod(to, mode);
  if (bAcl && acl_set_fd(to, acl) != 0) Add(lost, "ACL");
  if (acl != nullptr) acl_free(acl);

  const std::string names = AttributeNames(from);
  for (std::size_t at = 0, end; (end = names.find('\0', at)) != std::string::npos; at = end + 1) {
    const char* name = names.c_str() + at;
    // The ACL's own attributes are copied above; some are never to be copied.
    if (attr_copy_action(name, nullptr) != 0) continue;
    if (!CopyAttribute(from, to, name)) Add(lost, name);
  }
  return lost;
}

}  // namespace platform
