// Settings folder and whole-file access with Win32 calls (narrow paths).
#include <windows.h>
#include <shlobj.h>

#include <cstdio>

#include "platform/detail.h"

namespace platform {

bool settingsFolder(std::string& path) {
    char buffer[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK) return false;
    path = buffer;
    return true;
}

std::string joinPath(const std::string& folder, const std::string& name) { return folder + "\\" + name; }

bool createFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

ReadResult readFile(const std::string& path, std::vector<unsigned char>& data, size_t maxSize) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        return (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) ? ReadResult::missing
                                                                         : ReadResult::failed;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(f, &size) || size.QuadPart < 0) {
        CloseHandle(f);
        return ReadResult::failed;
    }
    if (static_cast<unsigned long long>(size.QuadPart) >= maxSize) {
        CloseHandle(f);
        return ReadResult::tooLarge;
    }
    data.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    BOOL ok = data.empty() ? TRUE : ReadFile(f, data.data(), static_cast<DWORD>(data.size()), &got, nullptr);
    CloseHandle(f);
    if (!ok) return ReadResult::failed;
    data.resize(got);
    return ReadResult::ok;
}

namespace {

// The system's own text for an error code, without the trailing line break.
std::string systemMessage(DWORD error) {
    char text[512] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                             sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ')) text[--n] = 0;
    if (n == 0) std::snprintf(text, sizeof text, "system error %lu", static_cast<unsigned long>(error));
    return text;
}

}  // namespace

bool writeFileReplacing(const std::string& path, const void* data, size_t size, std::string* reason) {
    std::string temp = path + ".tmp";
    HANDLE f = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        if (reason) *reason = systemMessage(GetLastError());
        return false;
    }
    size_t allowed = size;
    long long b = writeBudget();
    if (b >= 0 && static_cast<long long>(allowed) > b) allowed = static_cast<size_t>(b);
    DWORD written = 0;
    // The first failure is the one the user is told about.
    std::string why;
    if (allowed != 0 && !WriteFile(f, data, static_cast<DWORD>(allowed), &written, nullptr))
        why = systemMessage(GetLastError());
    spendWriteBudget(written);
    if (why.empty() && written != size) why = shortWriteReason(written, size);
    if (why.empty() && !FlushFileBuffers(f)) why = systemMessage(GetLastError());
    if (!CloseHandle(f) && why.empty()) why = systemMessage(GetLastError());
    if (why.empty() && !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        why = systemMessage(GetLastError());
    if (why.empty()) return true;
    DeleteFileA(temp.c_str());
    if (reason) *reason = why;
    return false;
}

}  // namespace platform
