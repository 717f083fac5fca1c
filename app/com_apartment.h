#pragma once
// COM for the calling thread as a single-threaded apartment, for as long as
// the object lives. The matching CoUninitialize runs only when the
// initialisation succeeded (S_OK or S_FALSE): a thread that was already in a
// multi-threaded apartment (RPC_E_CHANGED_MODE) must not lose it here.
#include <objbase.h>

namespace corvanta {

class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    HRESULT Result() const { return result_; }
    bool Initialised() const { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};

}  // namespace corvanta
