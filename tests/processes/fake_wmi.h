#pragma once
// A scripted WMI for the process scan and the installed updates: a list of
// process objects, one of update objects, and a switch for each way WMI can
// fail. It counts the handles it has handed out and not had back, and logs
// every call with its arguments.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "processes/wmi_access.h"
#include "processes/wmi_error.h"

namespace corvanta::test {

struct FakeProcess {
    // What Fetch hands out for this process.
    enum class Fetched { Object, NotAnObject, NoSWbemObject };
    Fetched fetched = Fetched::Object;
    // A property's value; nullopt makes reading it fail with WBEM_E_NOT_FOUND.
    std::optional<WmiValue> caption;
    std::optional<WmiValue> path;
    std::optional<WmiValue> process_id;

    static FakeProcess Of(std::u16string caption, std::optional<std::u16string> path) {
        FakeProcess p;
        p.caption = WmiValue::Text(std::move(caption));
        p.path = path ? std::optional<WmiValue>(WmiValue::Text(*path)) : std::nullopt;
        return p;
    }
    // A process for which WMI gives no path, only its id (as Wine does).
    static FakeProcess WithId(std::u16string caption, std::uint32_t id) {
        FakeProcess p = Of(std::move(caption), std::nullopt);
        const std::string text = std::to_string(id);
        p.process_id = WmiValue::Text(std::u16string(text.begin(), text.end()));
        return p;
    }
};

// A Win32_QuickFixEngineering object.
struct FakeUpdate {
    FakeProcess::Fetched fetched = FakeProcess::Fetched::Object;
    // A property's value; nullopt makes reading it fail with WBEM_E_NOT_FOUND.
    std::optional<WmiValue> hot_fix_id;
    std::optional<WmiValue> description;

    static FakeUpdate Of(std::u16string id, std::u16string description) {
        FakeUpdate u;
        u.hot_fix_id = WmiValue::Text(std::move(id));
        u.description = WmiValue::Text(std::move(description));
        return u;
    }
};

constexpr char16_t kProcessQuery[] = u"SELECT * FROM Win32_Process";
constexpr char16_t kUpdateQuery[] = u"SELECT * FROM Win32_QuickFixEngineering";

enum class WmiStep { None, CreateLocator, ConnectServer, ExecQuery, Enumerate };

class FakeWmi : public WmiAccess {
public:
    std::vector<FakeProcess> processes;
    std::vector<FakeUpdate> updates;
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

    std::unique_ptr<WmiServices> ConnectServer(WmiLocator&, std::u16string_view server, std::u16string_view name_space,
                                               std::u16string_view user, std::u16string_view password,
                                               std::u16string_view locale, std::u16string_view authority,
                                               std::int32_t security_flags) override {
        if (logging)
            Log("ConnectServer(" + Narrow(server) + "|" + Narrow(name_space) + "|" + Narrow(user) + "|" +
                Narrow(password) + "|" + Narrow(locale) + "|" + Narrow(authority) + "|" +
                std::to_string(security_flags) + ")");
        Fail(WmiStep::ConnectServer);
        return std::make_unique<Handle<WmiServices>>(*this);
    }

    std::unique_ptr<WmiObjectSet> ExecQuery(WmiServices&, std::u16string_view query, std::u16string_view language,
                                            std::int32_t flags) override {
        if (logging) Log("ExecQuery(" + Narrow(query) + "|" + Narrow(language) + "|" + std::to_string(flags) + ")");
        Fail(WmiStep::ExecQuery);
        if (query != kProcessQuery && query != kUpdateQuery) throw EWmiError(hresult::kWbemInvalidQuery);
        auto result = std::make_unique<ObjectSet>(*this);
        result->updates = query == kUpdateQuery;
        return result;
    }

    std::unique_ptr<WmiEnumerator> Enumerate(WmiObjectSet& result) override {
        Log("Enumerate");
        Fail(WmiStep::Enumerate);
        auto enumerator = std::make_unique<Enumerator>(*this);
        enumerator->updates = static_cast<ObjectSet&>(result).updates;
        return enumerator;
    }

    std::int32_t Fetch(WmiEnumerator& enumerator, std::unique_ptr<WmiFetchedValue>& value) override {
        Log("Fetch");
        value.reset();
        if (objects_alive_ > most_objects_alive_at_fetch) most_objects_alive_at_fetch = objects_alive_;
        auto& e = static_cast<Enumerator&>(enumerator);
        if (e.next == fetch_fails_at) return fetch_failure;
        if (e.next >= (e.updates ? updates.size() : processes.size())) return hresult::kFalse;
        value = std::make_unique<Value>(*this, e.next++, e.updates);
        return hresult::kOk;
    }

    std::unique_ptr<WmiObject> TakeAsObject(WmiFetchedValue& value) override {
        Log("TakeAsObject");
        const auto& v = static_cast<Value&>(value);
        switch (v.updates ? updates[v.index].fetched : processes[v.index].fetched) {
            case FakeProcess::Fetched::NotAnObject:
                throw EWmiError(hresult::kTypeMismatch);
            case FakeProcess::Fetched::NoSWbemObject:
                throw EWmiError(hresult::kNoInterface);
            case FakeProcess::Fetched::Object:
                break;
        }
        return std::make_unique<Object>(*this, v.index, v.updates);
    }

    WmiValue ReadProperty(WmiObject& object, std::u16string_view name) override {
        if (logging) Log("ReadProperty(" + Narrow(name) + ")");
        const auto& o = static_cast<Object&>(object);
        const std::optional<WmiValue>* value = nullptr;
        if (o.updates) {
            const FakeUpdate& u = updates[o.index];
            value = name == u"HotFixID" ? &u.hot_fix_id : name == u"Description" ? &u.description : nullptr;
        } else {
            const FakeProcess& p = processes[o.index];
            value = name == u"Caption"          ? &p.caption
                    : name == u"ExecutablePath" ? &p.path
                    : name == u"ProcessId"      ? &p.process_id
                                                : nullptr;
        }
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
    struct ObjectSet : Handle<WmiObjectSet> {
        using Handle::Handle;
        bool updates = false;  // which list the query asked for
    };
    struct Enumerator : Handle<WmiEnumerator> {
        using Handle::Handle;
        std::size_t next = 0;
        bool updates = false;
    };
    template <typename Base>
    struct PerObject : Handle<Base> {
        PerObject(FakeWmi& w, std::size_t i, bool u) : Handle<Base>(w), index(i), updates(u) { ++w.objects_alive_; }
        ~PerObject() override { --this->wmi.objects_alive_; }
        std::size_t index;
        bool updates;
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

}  // namespace corvanta::test
