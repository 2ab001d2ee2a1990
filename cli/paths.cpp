#include "paths.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "report.h"

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

// Whether the name ends in .wav or .bwf (Broadcast Wave), in any letter case.
bool HasWaveExtension(const PathName& path) {
  if (path.size() < 4) return false;
  const auto* tail = path.data() + path.size() - 4;
  auto is = [tail](const char* extension) {
    for (int i = 0; i < 3; ++i)
      if ((tail[i + 1] | 0x20) != extension[i]) return false;
    return true;
  };
  return tail[0] == '.' && (is("wav") || is("bwf"));
}

PathName Joined(const PathName& directory, const PathName& name) {
  PathName path = directory;
  auto last = path.empty() ? 0 : path.back();
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

namespace {

// The name in a code page; what the code page cannot hold it shows as the
// system's conversion chooses (a best fit, else '?'), with neither flags nor
// a default character, as the shell's 8-bit calls convert.
std::string InCodePage(UINT codePage, const std::wstring& name) {
  int size = WideCharToMultiByte(codePage, 0, name.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, name.c_str(), -1, &text[0], size, nullptr, nullptr);
  text.resize(static_cast<std::size_t>(size - 1));
  return text;
}

std::string SystemMessage(DWORD error) {
  wchar_t text[512];
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, error, 0, text, sizeof text / sizeof text[0], nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                        text[length - 1] == ' ' || text[length - 1] == '.'))
    --length;
  if (length == 0) return "error " + std::to_string(error);
  return InCodePage(CP_UTF8, std::wstring(text, length));
}

}  // namespace

const char* ReportOf(const PathName& path, std::string& pathLine, JsonSink* json,
                     std::string* tags) {
  pathLine = InCodePage(CP_ACP, path);
  return BuildReport(ReportPath(pathLine.c_str(), path.c_str()), json, tags);
}

void WriteJsonErrorOf(const PathName& path, const std::string& reason, JsonSink& json) {
  std::string text = InCodePage(CP_ACP, path);
  WriteJsonError(ReportPath(text.c_str(), path.c_str()), reason.c_str(), json);
}

std::string PathText(const PathName& path) { return InCodePage(CP_UTF8, path); }

PathName PathFromList(const std::string& name) {
  int size = MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
  std::wstring path(static_cast<std::size_t>(size), L'\0');
  if (size > 0)
    MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), &path[0], size);
  return path;
}

bool IsDirectory(const PathName& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FindWaveFiles(const PathName& directory, std::vector<PathName>& files,
                   std::string& reason) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(Joined(directory, L"*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) {
    reason = SystemMessage(GetLastError());
    return false;
  }
  bool complete = true;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    PathName path = Joined(directory, name);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
          !FindWaveFiles(path, files, reason))
        complete = false;
    } else if (HasWaveExtension(path)) {
      files.push_back(path);
    }
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return complete;
}

// Names the code page holds sort as their 8-bit text always did; names that
// share one text (each showing '?' where the other has another character)
// follow in the order of their UTF-16 names.
void SortByPathLine(std::vector<PathName>& paths) {
  std::vector<std::pair<std::string, PathName>> keyed;
  keyed.reserve(paths.size());
  for (PathName& path : paths) keyed.emplace_back(InCodePage(CP_ACP, path), std::move(path));
  std::sort(keyed.begin(), keyed.end());
  for (std::size_t i = 0; i < keyed.size(); ++i) paths[i] = std::move(keyed[i].second);
}

std::string OpenFailureReason(const PathName& path) {
  if (IsDirectory(path)) return "Is a directory";
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return "not a file that can be read";
  }
  return SystemMessage(GetLastError());
}

#else

const char* ReportOf(const PathName& path, std::string& pathLine, JsonSink* json,
                     std::string* tags) {
  pathLine = path;
  return BuildReport(path.c_str(), json, tags);
}

void WriteJsonErrorOf(const PathName& path, const std::string& reason, JsonSink& json) {
  WriteJsonError(path.c_str(), reason.c_str(), json);
}

std::string PathText(const PathName& path) { return path; }

PathName PathFromList(const std::string& name) { return name; }

bool IsDirectory(const PathName& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool FindWaveFiles(const PathName& directory, std::vector<PathName>& files,
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
    } else if (HasWaveExtension(path)) {
      files.push_back(path);
    }
  }
  closedir(listing);
  return complete;
}

void SortByPathLine(std::vector<PathName>& paths) { std::sort(paths.begin(), paths.end()); }

std::string OpenFailureReason(const PathName& path) {
  int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return std::strerror(errno);
  struct stat status;
  bool directory = fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode);
  close(descriptor);
  return directory ? std::strerror(EISDIR) : "not a regular file";
}

#endif
