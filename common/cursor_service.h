#pragma once
// The application-wide cursor as the scans see it. The window's shell helpers
// provide the real one; tests provide fakes.
namespace corvanta {

class CursorService {
public:
    virtual ~CursorService() = default;
    virtual void ShowBusyCursor() = 0;
    virtual void ShowDefaultCursor() = 0;
};

}  // namespace corvanta
