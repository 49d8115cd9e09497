#include "common/DeviceGroup.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace common {

std::string DeviceGroup(const std::string &deviceFile) {
  struct stat info {};
  if (::stat(deviceFile.c_str(), &info) != 0)
    return {};
  const long size = ::sysconf(_SC_GETGR_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? std::size_t(size) : 16384);
  group entry{};
  group *found = nullptr;
  if (::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
    return found->gr_name;
  return std::to_string(info.st_gid);
}

} // namespace common
