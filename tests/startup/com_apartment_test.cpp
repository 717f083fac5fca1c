// The COM scope: it initialises a single-threaded apartment and undoes only
// what it did, so a thread that was already in an apartment keeps it.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "app/com_apartment.h"

namespace corvanta::test {
namespace {

// Runs `body` on a fresh thread, where COM starts uninitialised.
template <typename Body>
void OnFreshThread(Body body) {
    std::thread thread(body);
    thread.join();
}

// S_OK if the thread had no apartment (the probe leaves it that way), S_FALSE
// if it already was in a multi-threaded one, RPC_E_CHANGED_MODE if in an STA.
HRESULT ProbeMta() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(hr)) CoUninitialize();
    return hr;
}

TEST(ComApartment, InitialisesAnStaAndUninitialisesItAgain) {
    OnFreshThread([] {
        {
            ComApartment com;
            EXPECT_EQ(com.Result(), S_OK);
            EXPECT_TRUE(com.Initialised());
            EXPECT_EQ(ProbeMta(), RPC_E_CHANGED_MODE) << "the thread is in an STA";
        }
        EXPECT_EQ(ProbeMta(), S_OK) << "the scope left no apartment behind";
    });
}

TEST(ComApartment, LeavesAnApartmentItDidNotMake) {
    struct Case {
        const char* name;
        DWORD outer;
        HRESULT scopeResult;
        HRESULT probeInside;  // ProbeMta() while the outer apartment is kept
    };
    const Case cases[] = {
        // Already an STA: the scope's call counts (S_FALSE) and is undone once.
        {"STA", COINIT_APARTMENTTHREADED, S_FALSE, RPC_E_CHANGED_MODE},
        // Already an MTA: the scope fails and must not uninitialise anything.
        {"MTA", COINIT_MULTITHREADED, RPC_E_CHANGED_MODE, S_FALSE},
    };
    for (const Case& c : cases) {
        OnFreshThread([&c] {
            ASSERT_EQ(CoInitializeEx(nullptr, c.outer), S_OK) << c.name;
            {
                ComApartment com;
                EXPECT_EQ(com.Result(), c.scopeResult) << c.name;
                EXPECT_EQ(com.Initialised(), SUCCEEDED(c.scopeResult)) << c.name;
            }
            EXPECT_EQ(ProbeMta(), c.probeInside) << c.name << ": the outer apartment survives";
            CoUninitialize();
            EXPECT_EQ(ProbeMta(), S_OK) << c.name;
        });
    }
}

}  // namespace
}  // namespace corvanta::test
