#include "processes/com_ptr.h"

#include <gtest/gtest.h>

#include <type_traits>

#include "processes/wmi_error.h"

namespace corvanta::test {
namespace {

// Counts references the way a COM object does.
struct Counted {
    int refs = 1;
    int released_to_zero = 0;
    Counted* other = nullptr;  // what QueryInterface hands out, when set
    unsigned long AddRef() { return ++refs; }
    unsigned long Release() {
        if (--refs == 0) ++released_to_zero;
        return refs;
    }
    long QueryInterface(int iid, void** out) {
        if (iid != 7 || !other) {
            *out = nullptr;
            return hresult::kNoInterface;
        }
        other->AddRef();
        *out = other;
        return hresult::kOk;
    }
};

static_assert(!std::is_copy_constructible_v<ComPtr<Counted>>);
static_assert(!std::is_copy_assignable_v<ComPtr<Counted>>);

TEST(ComPtrTest, ReleasesExactlyOnceWhateverPathTheReferenceTakes) {
    Counted a, b;
    {
        ComPtr<Counted> p(&a);
        ComPtr<Counted> q(std::move(p));
        EXPECT_FALSE(p);
        EXPECT_TRUE(q);
        ComPtr<Counted> r;
        r = std::move(q);
        r = std::move(r);  // self-move keeps the reference
        EXPECT_EQ(a.refs, 1);
        *r.put() = &b;  // put() gives up a first
        EXPECT_EQ(a.refs, 0);
    }
    EXPECT_EQ(a.released_to_zero, 1);
    EXPECT_EQ(b.released_to_zero, 1);

    Counted c;
    ComPtr<Counted> s(&c);
    Counted* raw = s.release();
    EXPECT_FALSE(s);
    EXPECT_EQ(raw->refs, 1);
}

TEST(ComPtrTest, AsHandsOutTheOtherInterfaceOrNothing) {
    Counted source, target;
    target.refs = 1;
    source.other = &target;
    ComPtr<Counted> p(&source);
    ComPtr<Counted> q;
    EXPECT_EQ(p.As(7, q), hresult::kOk);
    EXPECT_EQ(q.get(), &target);
    EXPECT_EQ(target.refs, 2);
    EXPECT_EQ(p.As(8, q), hresult::kNoInterface);
    EXPECT_FALSE(q);
    EXPECT_EQ(target.refs, 1);  // the earlier result was released
}

TEST(WmiErrorTest, CarriesTheCodeAndTheErrorObject) {
    const EWmiError plain(hresult::kWbemNotFound);
    EXPECT_EQ(plain.Code(), hresult::kWbemNotFound);
    EXPECT_STREQ(plain.what(), "WMI call failed with code 0x80041002");

    const EWmiError described(hresult::kWbemInvalidQuery, {"Invalid query", "SWbemServicesEx", "wmi.chm", 42});
    EXPECT_STREQ(described.what(), "Invalid query");
    EXPECT_EQ(described.Source(), "SWbemServicesEx");
    EXPECT_EQ(described.HelpFile(), "wmi.chm");
    EXPECT_EQ(described.HelpContext(), 42u);
    static_assert(std::is_base_of_v<Exception, EWmiError>);
}

}  // namespace
}  // namespace corvanta::test
