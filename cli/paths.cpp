#include "paths.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

bool HasWaveExtension(const char* name) {
  std::size_t length = std::strlen(name);
  if (length < 4) return false;
  const char* tail = name + length - 4;
  return tail[0] == '.' && (tail[1] | 0x20) == 'w' && (tail[2] | 0x20) == 'a' &&
         (tail[3] | 0x20) == 'v';
}

std::string Joined(const std::string& directory, const char* name) {
  std::string path = directory;
  char last = path.empty() ? '\0' : path.back();
#ifdef _WIN32
  if (last != '\\' && last != '/' && last != ':') path += '\\';
#else
  if (last != '/') path += '/';
#endif
  path += name;
  return path;
}

}  // namespace

#ifdef _WIN32

bool IsDirectory(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static std::string SystemMessage(DWORD error) {
  char text[512];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, error, 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                        text[length - 1] == ' ' || text[length - 1] == '.'))
    --length;
  if (length == 0) return "error " + std::to_string(error);
  return std::string(text, length);
}

bool FindWaveFiles(const std::string& directory, std::vector<std::string>& files,
                   std::string& reason) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(Joined(directory, "*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) {
    reason = SystemMessage(GetLastError());
    return false;
  }
  bool complete = true;
  do {
    if (std::strcmp(entry.cFileName, ".") == 0 || std::strcmp(entry.cFileName, "..") == 0)
      continue;
    std::string path = Joined(directory, entry.cFileName);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
          !FindWaveFiles(path, files, reason))
        complete = false;
    } else if (HasWaveExtension(entry.cFileName)) {
      files.push_back(path);
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return complete;
}

std::string OpenFailureReason(const std::string& path) {
  if (IsDirectory(path)) return "Is a directory";
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return "not a file that can be read";
  }
  return SystemMessage(GetLastError());
}

#else

bool IsDirectory(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool FindWaveFiles(const std::string& directory, std::vector<std::string>& files,
                   std::string& reason) {
  DIR* listing = opendir(directory.c_str());
  if (listing == nullptr) {
    reason = std::strerror(errno);
    return false;
  }
  bool complete = true;
  while (dirent* entry = readdir(listing)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
      continue;
    std::string path = Joined(directory, entry->d_name);
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN) {
      struct stat status;
      if (lstat(path.c_str(), &status) != 0) continue;
      type = S_ISDIR(status.st_mode) ? DT_DIR : S_ISLNK(status.st_mode) ? DT_LNK : DT_REG;
    }
    if (type == DT_DIR) {
      // Links to directories are not followed, so no loop can form.
      if (!FindWaveFiles(path, files, reason)) complete = false;
    } else if (HasWaveExtension(entry->d_name)) {
      files.push_back(path);
    }
  }
  closedir(listing);
  return complete;
}

std::string OpenFailureReason(const std::string& path) {
  int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return std::strerror(errno);
  struct stat status;
  bool directory = fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode);
  close(descriptor);
  return directory ? std::strerror(EISDIR) : "not a regular file";
}

#endif
