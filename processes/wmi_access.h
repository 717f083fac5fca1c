#pragma once
// The WMI operations the running process scan makes, in the order it makes
// them, with the arguments of the published scripting interfaces
// (ISWbemLocator and friends). The scan is written against this interface
// only, so it runs on the host over a fake; the Windows implementation
// forwards each operation to COM (CreateSystemWmiAccess).
//
// Every operation except Fetch reports failure by raising EWmiError
// (processes/wmi_error.h). Handles are owned by whoever receives them and are
// released when destroyed; a handle may only be given back to the WmiAccess
// that made it.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/exception.h"

namespace corvanta {

class WmiLocator {  // ISWbemLocator
public:
    virtual ~WmiLocator() = default;
};
class WmiServices {  // ISWbemServices: a connection to one namespace
public:
    virtual ~WmiServices() = default;
};
class WmiObjectSet {  // ISWbemObjectSet: a query result
public:
    virtual ~WmiObjectSet() = default;
};
class WmiEnumerator {  // IEnumVARIANT over a query result
public:
    virtual ~WmiEnumerator() = default;
};
class WmiFetchedValue {  // one VARIANT that Fetch handed out
public:
    virtual ~WmiFetchedValue() = default;
};
class WmiObject {  // ISWbemObject
public:
    virtual ~WmiObject() = default;
};

// A property value. The properties the scan reads hold text or Null; Empty
// stands for a variant that holds nothing at all.
struct WmiValue {
    enum class Kind { Empty, Null, Text };
    Kind kind = Kind::Empty;
    std::u16string text;

    static WmiValue Null() { return {Kind::Null, {}}; }
    static WmiValue Text(std::u16string value) { return {Kind::Text, std::move(value)}; }
};

class WmiAccess {
public:
    virtual ~WmiAccess() = default;

    // 1. The SWbemLocator class, created in-process or as a local server,
    //    asked for IUnknown, then for ISWbemLocator.
    virtual std::unique_ptr<WmiLocator> CreateLocator() = 0;
    // 2. ISWbemLocator.ConnectServer, without a named-value set.
    virtual std::unique_ptr<WmiServices> ConnectServer(WmiLocator& locator, std::u16string_view server,
                                                       std::u16string_view name_space, std::u16string_view user,
                                                       std::u16string_view password, std::u16string_view locale,
                                                       std::u16string_view authority, std::int32_t security_flags) = 0;
    // 3. ISWbemServices.ExecQuery, without a named-value set.
    virtual std::unique_ptr<WmiObjectSet> ExecQuery(WmiServices& services, std::u16string_view query,
                                                    std::u16string_view language, std::int32_t flags) = 0;
    // 4. ISWbemObjectSet._NewEnum, asked for IEnumVARIANT.
    virtual std::unique_ptr<WmiEnumerator> Enumerate(WmiObjectSet& result) = 0;
    // 5. IEnumVARIANT.Next for one value. Never raises: the result code says
    //    how it went, and `value` holds the fetched value only after S_OK.
    virtual std::int32_t Fetch(WmiEnumerator& enumerator, std::unique_ptr<WmiFetchedValue>& value) = 0;
    // 6. The fetched value taken as an interface and asked for ISWbemObject.
    //    Raises when the value is not an object or not that interface.
    virtual std::unique_ptr<WmiObject> TakeAsObject(WmiFetchedValue& value) = 0;
    // 7. ISWbemObject.Properties_, then ISWbemPropertySet.Item(name, 0), then
    //    ISWbemProperty.Value.
    virtual WmiValue ReadProperty(WmiObject& object, std::u16string_view name) = 0;
};

// Raised when a Null value is taken as text: it has none.
class ENullValueError : public Exception {
public:
    ENullValueError() : Exception("Could not convert a Null value into text") {}
};

// WMI on this machine, through COM (Windows build only). COM must be
// initialised on the calling thread before the first operation.
std::unique_ptr<WmiAccess> CreateSystemWmiAccess();

}  // namespace corvanta
