#include "processes/wmi_query.h"

#include <memory>

#include "processes/wmi_error.h"

namespace corvanta {

void ForEachQueryResult(WmiAccess& wmi, std::u16string_view query, const std::function<void(WmiFetchedValue&)>& visit) {
    const std::unique_ptr<WmiLocator> locator = wmi.CreateLocator();
    const std::unique_ptr<WmiServices> services =
        wmi.ConnectServer(*locator, u"", u"root\\cimv2", u"", u"", u"", u"", 0);
    const std::unique_ptr<WmiObjectSet> result = wmi.ExecQuery(*services, query, u"WQL", 0);
    const std::unique_ptr<WmiEnumerator> enumerator = wmi.Enumerate(*result);
    for (;;) {
        // Declared in the loop so each fetched object is released before the
        // next fetch.
        std::unique_ptr<WmiFetchedValue> fetched;
        if (wmi.Fetch(*enumerator, fetched) != hresult::kOk || !fetched) break;
        visit(*fetched);
    }
}

}  // namespace corvanta
