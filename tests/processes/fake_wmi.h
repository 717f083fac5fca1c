#pragma once
// A scripted WMI for the process scan: a list of process objects, and a
// switch for each way WMI can fail. It counts the handles it has handed out
// and not had back, and logs every call with its arguments.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "processes/wmi_access.h"
#include "processes/wmi_error.h"

namespace corvanta::fakes {

struct FakeProcess {
    // What Fetch hands out for this process.
    enum class Fetched { Object, NotAnObject, NoSWbemObject };
    Fetched fetched = Fetched::Object;
    // A property's value; nullopt makes reading it fail with WBEM_E_NOT_FOUND.
    std::optional<WmiValue> caption;
    std::optional<WmiValue> path;

    static FakeProcess Of(std::u16string caption, std::optional<std::u16string> path) {
        FakeProcess p;
        p.caption = WmiValue::Text(std::move(caption));
        p.path = path ? std::optional<WmiValue>(WmiValue::Text(*path)) : std::nullopt;
        return p;
    }
};

enum class WmiStep { None, CreateLocator, ConnectServer, ExecQuery, Enumerate };

class FakeWmi : public WmiAccess {
public:
    std::vector<FakeProcess> processes;
    WmiStep failing_step = WmiStep::None;
    std::int32_t step_failure = hresult::kWbemFailed;
    // Fetch gives fetch_failure instead of the object at this index.
    std::size_t fetch_fails_at = static_cast<std::size_t>(-1);
    std::int32_t fetch_failure = hresult::kFail;
    // Whether to log calls (the benchmark turns it off).
    bool logging = true;

    std::vector<std::string>* log = &own_log;
    std::vector<std::string> own_log;
    int live_handles = 0;
    // The most fetched values and objects that were alive at one Fetch call.
    int most_objects_alive_at_fetch = 0;

    std::unique_ptr<WmiLocator> CreateLocator() override {
        Log("CreateLocator");
        Fail(WmiStep::CreateLocator);
        return std::make_unique<Handle<WmiLocator>>(*this);
    }

    std::unique_ptr<WmiServices> ConnectServer(WmiLocator&, std::u16string_view server,
                                               std::u16string_view name_space, std::u16string_view user,
                                               std::u16string_view password, std::u16string_view locale,
                                               std::u16string_view authority, std::int32_t security_flags) override {
        if (logging)
            Log("ConnectServer(" + Narrow(server) + "|" + Narrow(name_space) + "|" + Narrow(user) + "|" +
                Narrow(password) + "|" + Narrow(locale) + "|" + Narrow(authority) + "|" +
                std::to_string(security_flags) + ")");
        Fail(WmiStep::ConnectServer);
        return std::make_unique<Handle<WmiServices>>(*this);
    }

    std::unique_ptr<WmiObjectSet> ExecQuery(WmiServices&, std::u16string_view query, std::u16string_view language,
                                            std::int32_t flags) override {
        if (logging)
            Log("ExecQuery(" + Narrow(query) + "|" + Narrow(language) + "|" + std::to_string(flags) + ")");
        Fail(WmiStep::ExecQuery);
        return std::make_unique<Handle<WmiObjectSet>>(*this);
    }

    std::unique_ptr<WmiEnumerator> Enumerate(WmiObjectSet&) override {
        Log("Enumerate");
        Fail(WmiStep::Enumerate);
        return std::make_unique<Enumerator>(*this);
    }

    std::int32_t Fetch(WmiEnumerator& enumerator, std::unique_ptr<WmiFetchedValue>& value) override {
        Log("Fetch");
        value.reset();
        if (objects_alive_ > most_objects_alive_at_fetch) most_objects_alive_at_fetch = objects_alive_;
        auto& e = static_cast<Enumerator&>(enumerator);
        if (e.next == fetch_fails_at) return fetch_failure;
        if (e.next >= processes.size()) return hresult::kFalse;
        value = std::make_unique<Value>(*this, e.next++);
        return hresult::kOk;
    }

    std::unique_ptr<WmiObject> TakeAsObject(WmiFetchedValue& value) override {
        Log("TakeAsObject");
        const std::size_t index = static_cast<Value&>(value).index;
        switch (processes[index].fetched) {
            case FakeProcess::Fetched::NotAnObject:
                throw EWmiError(hresult::kTypeMismatch);
            case FakeProcess::Fetched::NoSWbemObject:
                throw EWmiError(hresult::kNoInterface);
            case FakeProcess::Fetched::Object:
                break;
        }
        return std::make_unique<Object>(*this, index);
    }

    WmiValue ReadProperty(WmiObject& object, std::u16string_view name) override {
        if (logging) Log("ReadProperty(" + Narrow(name) + ")");
        const FakeProcess& p = processes[static_cast<Object&>(object).index];
        const std::optional<WmiValue>* value = name == u"Caption"          ? &p.caption
                                               : name == u"ExecutablePath" ? &p.path
                                                                           : nullptr;
        if (!value || !*value) throw EWmiError(hresult::kWbemNotFound, {"Not found", "SWbemPropertySet", "", 0});
        return **value;
    }

private:
    template <typename Base>
    struct Handle : Base {
        explicit Handle(FakeWmi& w) : wmi(w) { ++wmi.live_handles; }
        ~Handle() override { --wmi.live_handles; }
        FakeWmi& wmi;
    };
    struct Enumerator : Handle<WmiEnumerator> {
        using Handle::Handle;
        std::size_t next = 0;
    };
    template <typename Base>
    struct PerObject : Handle<Base> {
        PerObject(FakeWmi& w, std::size_t i) : Handle<Base>(w), index(i) { ++w.objects_alive_; }
        ~PerObject() override { --this->wmi.objects_alive_; }
        std::size_t index;
    };
    using Value = PerObject<WmiFetchedValue>;
    using Object = PerObject<WmiObject>;

    void Log(std::string entry) {
        if (logging) log->push_back(std::move(entry));
    }
    void Fail(WmiStep step) {
        if (failing_step == step) throw EWmiError(step_failure);
    }
    static std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

    int objects_alive_ = 0;
};

}  // namespace corvanta::fakes
