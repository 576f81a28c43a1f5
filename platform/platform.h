// The narrow operating-system layer: message boxes, the per-user settings
// folder, whole-file access, and the few Win32 calls the portable code needs.
// One header; platform/win32 and platform/posix implement it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Receives every message box, so that tests never block on a real one.
class DialogHandler {
public:
    virtual ~DialogHandler() = default;
    // An error box with an OK button.
    virtual void showError(const char* caption, const char* text) = 0;
    // A warning box with an OK button; handlers that do not tell the two apart see an error box.
    virtual void showWarning(const char* caption, const char* text) { showError(caption, text); }
    // A Yes/No question; true means Yes.
    virtual bool askYesNo(const char* caption, const char* text) = 0;
    // An OK/Cancel confirmation; true means OK.
    virtual bool askOkCancel(const char* caption, const char* text) = 0;
};

// [any thread] Installs a handler (null restores the system's boxes). Returns the previous one.
DialogHandler* setDialogHandler(DialogHandler* handler);

// [UI thread] Task-modal error box with the error icon (owner: the given native
// window, may be null). Without a handler off Windows the message goes to
// standard error.
void showError(const char* caption, const char* text, void* ownerWindow = nullptr);
// [UI thread] Warning box with the warning icon and no owner, for a failure the
// user can carry on after. Without a handler off Windows the message goes to
// standard error.
void showWarning(const char* caption, const char* text);
// [UI thread] Task-modal Yes/No question with a question icon. Without a
// handler off Windows the answer is No.
bool askYesNo(const char* caption, const char* text);
// [UI thread] OK/Cancel confirmation (owner: the given native window, may be null).
// Without a handler off Windows the answer is Cancel.
bool askOkCancel(const char* caption, const char* text, void* ownerWindow = nullptr);

// The per-user settings folder: CSIDL_APPDATA on Windows; $XDG_CONFIG_HOME,
// else $HOME/.config, elsewhere. False when there is none.
bool settingsFolder(std::string& path);

// Joins two path pieces with the platform's separator.
std::string joinPath(const std::string& folder, const std::string& name);

// Creates one folder; false when it could not be created (it may already exist).
bool createFolder(const std::string& path);

enum class ReadResult { ok, missing, tooLarge, failed };
// Reads a whole file when it is smaller than maxSize bytes.
ReadResult readFile(const std::string& path, std::vector<unsigned char>& data, size_t maxSize);

// Writes a whole file through a temporary file in the same folder that is
// renamed over the target only after every byte was written, so a failed write
// leaves the previous file intact. False on any failure; then `reason`, when
// given, receives the system's explanation, fit to show to the user.
bool writeFileReplacing(const std::string& path, const void* data, size_t size, std::string* reason = nullptr);

// Test seam: makes the next writes fail after this many bytes (-1: never).
void failWritesAfter(long long bytes);

// [UI thread] The vendor-specific mouse-wheel forwarding: posts a wheel message
// to the window under the cursor when it belongs to this library. Windows only;
// 0 elsewhere.
intptr_t forwardMouseWheel(float opt);

// The library's module handle (Windows), stored by the start-up hook.
void setModuleHandle(void* module);
void* moduleHandle();

// Waits for pending GDI drawing before direct pixel access; nothing off Windows.
void gdiFlush();

}  // namespace platform
