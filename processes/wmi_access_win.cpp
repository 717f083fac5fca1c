// WMI through COM: each operation forwards to the scripting interfaces
// declared in WbemScripting_TLB.h and turns a failing result code into
// EWmiError, with what the callee's error object says when it left one.
#include <objbase.h>
#include <oleauto.h>
#include <wbemcli.h>
#include <winerror.h>

#include <new>

#include "common/ansi_text.h"
#include "common/unique_handle.h"
#include "processes/WbemScripting_TLB.h"
#include "processes/com_ptr.h"
#include "processes/wmi_access.h"
#include "processes/wmi_error.h"

namespace corvanta {
namespace {

// The portable code spells these without windows.h; they must be Windows' own.
static_assert(hresult::kOk == S_OK);
static_assert(hresult::kFalse == S_FALSE);
static_assert(hresult::kNoInterface == E_NOINTERFACE);
static_assert(hresult::kFail == E_FAIL);
static_assert(hresult::kOutOfMemory == E_OUTOFMEMORY);
static_assert(hresult::kTypeMismatch == DISP_E_TYPEMISMATCH);
static_assert(hresult::kWbemFailed == static_cast<HRESULT>(WBEM_E_FAILED));
static_assert(hresult::kWbemNotFound == static_cast<HRESULT>(WBEM_E_NOT_FOUND));
static_assert(hresult::kWbemInvalidNamespace == static_cast<HRESULT>(WBEM_E_INVALID_NAMESPACE));
static_assert(hresult::kWbemInvalidQuery == static_cast<HRESULT>(WBEM_E_INVALID_QUERY));
static_assert(hresult::kClassNotRegistered == REGDB_E_CLASSNOTREG);

struct BstrTraits {
    using Type = BSTR;
    static Type Invalid() { return nullptr; }
    static void Close(Type text) { SysFreeString(text); }
};
using UniqueBstr = UniqueHandle<BstrTraits>;

// A VARIANT that is cleared however its scope ends.
struct OwnedVariant {
    VARIANT value;
    OwnedVariant() { VariantInit(&value); }
    ~OwnedVariant() { VariantClear(&value); }
    OwnedVariant(const OwnedVariant&) = delete;
    OwnedVariant& operator=(const OwnedVariant&) = delete;
};

// Empty text goes over as the null BSTR, which COM reads as empty text.
UniqueBstr MakeBstr(std::u16string_view text) {
    if (text.empty()) return UniqueBstr();
    UniqueBstr result(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size())));
    if (!result) throw EWmiError(hresult::kOutOfMemory);
    return result;
}

std::u16string WideOf(BSTR text) {
    if (!text) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

// The error object is only trusted when the callee says that it sets one for
// this interface: otherwise it may be a stale one left by an earlier call.
ErrorObjectInfo ErrorObjectOf(IUnknown* callee, const IID& iid) {
    ErrorObjectInfo info;
    if (!callee) return info;
    ComPtr<ISupportErrorInfo> support;
    if (FAILED(callee->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(support.put()))) || !support ||
        support->InterfaceSupportsErrorInfo(iid) != S_OK)
        return info;
    ComPtr<IErrorInfo> error;
    if (GetErrorInfo(0, error.put()) != S_OK || !error) return info;
    UniqueBstr text;
    if (SUCCEEDED(error->GetDescription(text.put()))) info.description = WideToAnsi(WideOf(text.get()));
    if (SUCCEEDED(error->GetSource(text.put()))) info.source = WideToAnsi(WideOf(text.get()));
    if (SUCCEEDED(error->GetHelpFile(text.put()))) info.help_file = WideToAnsi(WideOf(text.get()));
    DWORD context = 0;
    if (SUCCEEDED(error->GetHelpContext(&context))) info.help_context = context;
    return info;
}

// A negative code is a failure; every other code, S_FALSE included, counts as success.
void Check(HRESULT code, IUnknown* callee, const IID& iid) {
    if (FAILED(code)) throw ComCallError(code, callee, iid);
}

// A call that succeeded must have handed out its object.
template <typename T>
void CheckOut(const ComPtr<T>& out) {
    if (!out) throw EWmiError(E_POINTER);
}

struct Locator : WmiLocator {
    ComPtr<ISWbemLocator> p;
};
struct Services : WmiServices {
    ComPtr<ISWbemServices> p;
};
struct ObjectSet : WmiObjectSet {
    ComPtr<ISWbemObjectSet> p;
};
struct Enumerator : WmiEnumerator {
    ComPtr<IEnumVARIANT> p;
};
struct Fetched : WmiFetchedValue {
    OwnedVariant v;
};
struct Object : WmiObject {
    ComPtr<ISWbemObject> p;
};

class SystemWmiAccess : public WmiAccess {
public:
    std::unique_ptr<WmiLocator> CreateLocator() override {
        auto locator = std::make_unique<Locator>();
        locator->p = CoSWbemLocator::Create();
        return locator;
    }

    std::unique_ptr<WmiServices> ConnectServer(WmiLocator& locator, std::u16string_view server,
                                               std::u16string_view name_space, std::u16string_view user,
                                               std::u16string_view password, std::u16string_view locale,
                                               std::u16string_view authority, std::int32_t security_flags) override {
        ISWbemLocator* l = static_cast<Locator&>(locator).p.get();
        const UniqueBstr b_server = MakeBstr(server), b_namespace = MakeBstr(name_space), b_user = MakeBstr(user),
                         b_password = MakeBstr(password), b_locale = MakeBstr(locale),
                         b_authority = MakeBstr(authority);
        auto services = std::make_unique<Services>();
        Check(l->ConnectServer(b_server.get(), b_namespace.get(), b_user.get(), b_password.get(), b_locale.get(),
                               b_authority.get(), security_flags, nullptr, services->p.put()),
              l, IID_ISWbemLocator);
        CheckOut(services->p);
        return services;
    }

    std::unique_ptr<WmiObjectSet> ExecQuery(WmiServices& services, std::u16string_view query,
                                            std::u16string_view language, std::int32_t flags) override {
        ISWbemServices* s = static_cast<Services&>(services).p.get();
        const UniqueBstr b_query = MakeBstr(query), b_language = MakeBstr(language);
        auto result = std::make_unique<ObjectSet>();
        Check(s->ExecQuery(b_query.get(), b_language.get(), flags, nullptr, result->p.put()), s, IID_ISWbemServices);
        CheckOut(result->p);
        return result;
    }

    std::unique_ptr<WmiEnumerator> Enumerate(WmiObjectSet& result) override {
        ISWbemObjectSet* set = static_cast<ObjectSet&>(result).p.get();
        ComPtr<IUnknown> unknown;
        Check(set->get__NewEnum(unknown.put()), set, IID_ISWbemObjectSet);
        CheckOut(unknown);
        auto enumerator = std::make_unique<Enumerator>();
        const HRESULT code = unknown.As(IID_IEnumVARIANT_, enumerator->p);
        if (FAILED(code)) throw EWmiError(code);
        if (!enumerator->p) throw EWmiError(hresult::kNoInterface);
        return enumerator;
    }

    std::int32_t Fetch(WmiEnumerator& enumerator, std::unique_ptr<WmiFetchedValue>& value) override {
        value.reset();
        auto fetched = std::unique_ptr<Fetched>(new (std::nothrow) Fetched);
        if (!fetched) return hresult::kOutOfMemory;
        ULONG count = 0;
        const HRESULT code = static_cast<Enumerator&>(enumerator).p->Next(1, &fetched->v.value, &count);
        if (code == S_OK) value = std::move(fetched);
        return code;
    }

    std::unique_ptr<WmiObject> TakeAsObject(WmiFetchedValue& value) override {
        const VARIANT& v = static_cast<Fetched&>(value).v.value;
        IUnknown* unknown = nullptr;
        if (V_VT(&v) == VT_DISPATCH)
            unknown = V_DISPATCH(&v);
        else if (V_VT(&v) == VT_UNKNOWN)
            unknown = V_UNKNOWN(&v);
        else
            throw EWmiError(hresult::kTypeMismatch);
        if (!unknown) throw EWmiError(hresult::kTypeMismatch);
        auto object = std::make_unique<Object>();
        const HRESULT code = unknown->QueryInterface(IID_ISWbemObject, reinterpret_cast<void**>(object->p.put()));
        if (FAILED(code)) throw EWmiError(code);
        if (!object->p) throw EWmiError(hresult::kNoInterface);
        return object;
    }

    WmiValue ReadProperty(WmiObject& object, std::u16string_view name) override {
        ISWbemObject* o = static_cast<Object&>(object).p.get();
        ComPtr<ISWbemPropertySet> properties;
        Check(o->get_Properties_(properties.put()), o, IID_ISWbemObject);
        CheckOut(properties);
        const UniqueBstr b_name = MakeBstr(name);
        ComPtr<ISWbemProperty> property;
        Check(properties->Item(b_name.get(), 0, property.put()), properties.get(), IID_ISWbemPropertySet);
        CheckOut(property);
        OwnedVariant v;
        Check(property->get_Value(&v.value), property.get(), IID_ISWbemProperty);
        switch (V_VT(&v.value)) {
            case VT_EMPTY:
                return WmiValue{};
            case VT_NULL:
                return WmiValue::Null();
            case VT_BSTR:
                return WmiValue::Text(WideOf(V_BSTR(&v.value)));
            default: {
                // Any other scalar is taken as text the way COM converts it.
                OwnedVariant text;
                Check(VariantChangeType(&text.value, &v.value, 0, VT_BSTR), nullptr, IID_ISWbemProperty);
                return WmiValue::Text(WideOf(V_BSTR(&text.value)));
            }
        }
    }
};

}  // namespace

EWmiError ComCallError(HRESULT code, IUnknown* callee, const IID& iid) {
    return EWmiError(code, ErrorObjectOf(callee, iid));
}

ComPtr<ISWbemLocator> CoSWbemLocator::Create() {
    ComPtr<IUnknown> unknown;
    const HRESULT created = CoCreateInstance(CLSID_SWbemLocator, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                             IID_IUnknown_, reinterpret_cast<void**>(unknown.put()));
    if (FAILED(created)) throw EWmiError(created);
    CheckOut(unknown);
    ComPtr<ISWbemLocator> locator;
    const HRESULT asked = unknown.As(IID_ISWbemLocator, locator);
    if (FAILED(asked)) throw EWmiError(asked);
    if (!locator) throw EWmiError(hresult::kNoInterface);
    return locator;
}

std::unique_ptr<WmiAccess> CreateSystemWmiAccess() { return std::make_unique<SystemWmiAccess>(); }

}  // namespace corvanta
