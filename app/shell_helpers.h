#pragma once
// The shell helpers: opening a web address in the default browser and the
// application-wide busy cursor. The rules live in portable code over a small
// shell interface; the Windows build supplies the real shell.
#include <cstdint>
#include <string>

#include "common/cursor_service.h"

namespace corvanta {

// The cursor numbers of the application-wide cursor, and SW_SHOWNORMAL
// (checked against windows.h in the Windows build).
constexpr int crDefault = 0;
constexpr int crHourGlass = -11;
constexpr int kSwShowNormal = 1;

class ShellApi {
public:
    virtual ~ShellApi() = default;
    // ShellExecuteA(no owner, verb, file, parameters, directory, show): its
    // result as an unsigned number, 32 or less meaning failure.
    virtual std::uintptr_t Execute(const char* verb, const char* file, const char* parameters, const char* directory,
                                   int show) = 0;
    // Makes `cursor` (crDefault or crHourGlass) the cursor of all the
    // program's windows at once.
    virtual void ApplyCursor(int cursor) = 0;
};

// The address the shell is asked to open: the scheme, then Address unchanged.
std::string FullWebAddress(const std::string& Address, bool Secure);

// Asks the shell to open the address; false only when the shell reports a
// failure. Never throws: any exception on the way is dropped and gives true.
bool OpenWebAddress(ShellApi& shell, const std::string& Address, bool Secure) noexcept;

// The application-wide cursor. Setting the value already in force does
// nothing; there is no count, so one default undoes any number of busy calls.
class ScreenCursor {
public:
    explicit ScreenCursor(ShellApi& shell) : shell_(shell) {}
    int Cursor() const { return cursor_; }
    void SetCursor(int cursor);

private:
    ShellApi& shell_;
    int cursor_ = crDefault;
};

// The program's own helpers, over the current shell (Windows build).
bool OpenWebAddress(const std::string& Address, bool Secure);
void ShowBusyCursor();
void ShowDefaultCursor();
// The busy and default cursor for the scans.
CursorService& ScreenCursorService();
// Replaces the whole system shell, web address and cursor alike (tests);
// nullptr puts the system shell back.
void SetShellForTesting(ShellApi* shell);

}  // namespace corvanta
