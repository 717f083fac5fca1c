// Under Wine: the scan against the real WMI, the WMI operations themselves,
// and the scan over real PE files read through version.dll.
#include <windows.h>
#include <objbase.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "processes/VerInfo.h"
#include "processes/WbemScripting_TLB.h"
#include "processes/hotfix_scan.h"
#include "processes/process_image.h"
#include "processes/process_scan.h"
#include "processes/wmi_error.h"
#include "scan_fixture_dir.h"
#include "tests/processes/fake_wmi.h"

namespace corvanta::test {
namespace {

using Row = std::array<std::string, 5>;  // Caption, File, Description, Vendor, Product

// The product initialises COM in its main routine; a test program does it here.
class ComApartment : public ::testing::Environment {
public:
    void SetUp() override {
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
        initialised_ = true;
    }
    void TearDown() override {
        if (initialised_) CoUninitialize();
    }

private:
    bool initialised_ = false;
};
::testing::Environment* const kCom = ::testing::AddGlobalTestEnvironment(new ComApartment);

class CountingCursor : public CursorService {
public:
    void ShowBusyCursor() override { ++busy; }
    void ShowDefaultCursor() override { ++defaults; }
    int busy = 0;
    int defaults = 0;
};

std::vector<Row> RowsOf(const MemTable& table) {
    std::vector<Row> rows;
    for (std::size_t r = 0; r < table.RecordCount(); ++r) {
        Row row;
        for (std::size_t c = 0; c < row.size(); ++c) row[c] = std::string(table.Cell(r, c));
        rows.push_back(row);
    }
    return rows;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The running processes' image names, as the process list gives them.
std::multiset<std::string> ProcessNames() {
    std::multiset<std::string> names;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return names;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        names.insert(Lower(entry.szExeFile));
    CloseHandle(snapshot);
    return names;
}

std::string OwnPath() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

std::string OwnName() {
    const std::string path = OwnPath();
    return path.substr(path.find_last_of('\\') + 1);
}

std::string System32(const char* file) {
    char dir[MAX_PATH];
    const UINT length = GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir, length) + "\\" + file;
}

std::u16string Widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// This program's version information (process_scan_wine_test.rc).
const Row kOwnVersionStrings{"", "", "Process scan tests under Wine", "Corvanta Test Vendor", "Corvanta Process Tests"};

std::string SystemDirectory() {
    char dir[MAX_PATH];
    const UINT length = GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir, length);
}

// Wine's own processes in a prefix: the programs wineboot starts.
bool IsWineSystemProcess(const std::string& caption) {
    static const std::set<std::string> names{"services.exe", "winedevice.exe", "plugplay.exe",
                                             "explorer.exe", "rpcss.exe",      "svchost.exe"};
    return names.count(Lower(caption)) > 0;
}

TEST(ProcessScanWine, RealWmiListsEveryProcessWithTheImagePathWindowsGives) {
    InventoryTables t;
    CountingCursor cursor;
    const std::multiset<std::string> before = ProcessNames();
    RefreshProcesses(t, *CreateSystemWmiAccess(), cursor, SystemVersionLibrary(), SystemProcessImage());
    const std::multiset<std::string> after = ProcessNames();

    const std::vector<Row> rows = RowsOf(t.tblProcesses);
    std::multiset<std::string> captions;
    for (const Row& row : rows) captions.insert(Lower(row[0]));
    EXPECT_EQ(cursor.busy, 1);
    EXPECT_EQ(cursor.defaults, 1);
    EXPECT_EQ(captions.count(Lower(OwnName())), 1u) << "this test program is missing";
    // A process that ran throughout is listed; nothing is listed that never ran.
    for (const std::string& name : before) {
        if (after.count(name)) {
            EXPECT_GE(captions.count(name), 1u) << name;
        }
    }
    for (const std::string& caption : captions) EXPECT_TRUE(before.count(caption) || after.count(caption)) << caption;
    EXPECT_GE(rows.size(), std::min(before.size(), after.size()) - 1);
    EXPECT_LE(rows.size(), std::max(before.size(), after.size()) + 1);

    // Wine 8's Win32_Process has no ExecutablePath, so every path here comes
    // from the process id through QueryFullProcessImageNameA: this program
    // with its own version strings, Wine's system processes from the system
    // directory. A Wine that changes either shape fails here.
    int system_processes = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row[0]);
        EXPECT_FALSE(row[0].empty());
        if (Lower(row[0]) == Lower(OwnName())) {
            EXPECT_EQ(Lower(row[1]), Lower(OwnPath()));
            EXPECT_EQ(row[2], kOwnVersionStrings[2]);
            EXPECT_EQ(row[3], kOwnVersionStrings[3]);
            EXPECT_EQ(row[4], kOwnVersionStrings[4]);
        } else if (IsWineSystemProcess(row[0])) {
            ++system_processes;
            EXPECT_EQ(Lower(row[1]), Lower(SystemDirectory() + "\\" + row[0]));
            // Of these, Wine 8 gives version information to its explorer alone.
            if (Lower(row[0]) == "explorer.exe")
                EXPECT_EQ((Row{"", "", row[2], row[3], row[4]}),
                          (Row{"", "", "Wine Explorer", "Microsoft Corporation", "Wine"}));
            else
                EXPECT_EQ(row[2] + row[3] + row[4], "");
        }
        // Whatever else runs (other tests' programs) has its own path, which
        // names its image.
        const std::string file = Lower(row[1]);
        const std::string tail = "\\" + Lower(row[0]);
        EXPECT_TRUE(file.size() > tail.size() && file.compare(file.size() - tail.size(), tail.size(), tail) == 0)
            << row[1];
    }
    EXPECT_GE(system_processes, 2) << "Wine's services.exe and friends are missing";
    EXPECT_EQ(t.tblProcesses.CurrentRow(), std::optional<std::size_t>(0));
    EXPECT_FALSE(t.tblProcesses.ControlsDisabled());
}

// The image path seam on its own: this process, and an id that names none.
TEST(ProcessScanWine, WindowsNamesAProcessImageByIdAndNothingForAnUnknownId) {
    const std::optional<std::string> own = SystemProcessImage().ImagePath(GetCurrentProcessId());
    ASSERT_TRUE(own.has_value());
    EXPECT_EQ(Lower(*own), Lower(OwnPath()));
    // Process ids are multiples of four; this one is never handed out.
    EXPECT_EQ(SystemProcessImage().ImagePath(0xFFFFFFF1u), std::nullopt);
    EXPECT_EQ(SystemProcessImage().ImagePath(0), std::nullopt) << "the idle process has no image";
}

// Wine implements the class with one update.
TEST(ProcessScanWine, TheRealUpdateQueryListsWinesUpdateUnlessTheUninstallKeyNamedIt) {
    InventoryTables t;
    CountingCursor cursor;
    AddInstalledUpdates(t, *CreateSystemWmiAccess(), cursor);
    std::vector<std::string> rows;
    for (std::size_t r = 0; r < t.tblHotFix.RecordCount(); ++r) rows.emplace_back(t.tblHotFix.Cell(r, 0));
    EXPECT_EQ(rows, std::vector<std::string>{"KB1234567 (Update)"}) << "Wine's Win32_QuickFixEngineering changed";
    EXPECT_EQ(cursor.busy, 1);
    EXPECT_EQ(cursor.defaults, 1);
    EXPECT_EQ(t.tblHotFix.CurrentRow(), std::optional<std::size_t>(0));

    InventoryTables named;
    named.tblHotFix.Open();
    named.tblHotFix.Append();
    named.tblHotFixHotFix.SetAsString("Hotfix for Windows (kb1234567)");
    named.tblHotFix.Post();
    AddInstalledUpdates(named, *CreateSystemWmiAccess(), cursor);
    EXPECT_EQ(named.tblHotFix.RecordCount(), 1u);
}

// The seven operations straight, on this program's own process object.
TEST(ProcessScanWine, WmiOperationsReportValuesAndFailuresWithTheirCodes) {
    const auto wmi = CreateSystemWmiAccess();
    const auto locator = wmi->CreateLocator();
    try {
        wmi->ConnectServer(*locator, u"", u"root\\nosuchnamespace", u"", u"", u"", u"", 0);
        ADD_FAILURE() << "connected to a namespace that does not exist";
    } catch (const EWmiError& e) {
        EXPECT_LT(e.Code(), 0);
    }

    const auto services = wmi->ConnectServer(*locator, u"", u"root\\cimv2", u"", u"", u"", u"", 0);
    const auto result = wmi->ExecQuery(*services, u"SELECT * FROM Win32_Process", u"WQL", 0);
    const auto enumerator = wmi->Enumerate(*result);
    bool found_self = false;
    int fetched_count = 0;
    std::int32_t last = hresult::kOk;
    for (;;) {
        std::unique_ptr<WmiFetchedValue> fetched;
        last = wmi->Fetch(*enumerator, fetched);
        if (last != hresult::kOk) {
            EXPECT_FALSE(fetched);
            break;
        }
        ++fetched_count;
        const auto object = wmi->TakeAsObject(*fetched);
        const WmiValue caption = wmi->ReadProperty(*object, u"Caption");
        ASSERT_EQ(caption.kind, WmiValue::Kind::Text);
        if (Lower(std::string(caption.text.begin(), caption.text.end())) != Lower(OwnName())) continue;
        found_self = true;
        // A number comes back as its text.
        const WmiValue id = wmi->ReadProperty(*object, u"ProcessId");
        EXPECT_EQ(std::string(id.text.begin(), id.text.end()), std::to_string(GetCurrentProcessId()));
        try {
            wmi->ReadProperty(*object, u"ExecutablePath");
            ADD_FAILURE() << "Wine now reports ExecutablePath";
        } catch (const EWmiError& e) {
            EXPECT_EQ(e.Code(), hresult::kWbemNotFound);
        }
        EXPECT_THROW(wmi->ReadProperty(*object, u"NoSuchProperty"), EWmiError);
    }
    EXPECT_EQ(last, hresult::kFalse) << "the enumeration ends with S_FALSE";
    EXPECT_GT(fetched_count, 1);
    EXPECT_TRUE(found_self);
}

// A callee that may or may not say it leaves error objects, and for which
// interface.
class ErrorSource : public ISupportErrorInfo {
public:
    ErrorSource(bool has_support, const IID& supported) : has_support_(has_support), supported_(supported) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, IID_IUnknown) || (has_support_ && IsEqualIID(riid, IID_ISupportErrorInfo))) {
            *out = static_cast<ISupportErrorInfo*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return IsEqualIID(riid, supported_) ? S_OK : S_FALSE;
    }
    ULONG refs() const { return refs_; }

private:
    bool has_support_;
    IID supported_;
    ULONG refs_ = 1;
};

void LeaveErrorObject() {
    ICreateErrorInfo* create = nullptr;
    ASSERT_EQ(CreateErrorInfo(&create), S_OK);
    create->SetDescription(const_cast<LPOLESTR>(L"Invalid namespace"));
    create->SetSource(const_cast<LPOLESTR>(L"SWbemLocator"));
    create->SetHelpFile(const_cast<LPOLESTR>(L"wbem.chm"));
    create->SetHelpContext(4711);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)), S_OK);
    SetErrorInfo(0, info);
    info->Release();
    create->Release();
}

// The error object is taken only from a callee that says it leaves one for
// the interface called; any other is stale, from some earlier call.
TEST(ProcessScanWine, AFailedCallCarriesTheCalleesErrorObjectOnly) {
    struct Case {
        const char* what;
        bool has_support;
        IID supported;
        bool null_callee;
        bool expect_object;
    };
    const Case cases[] = {
        {"callee leaves one for this interface", true, IID_ISWbemServices, false, true},
        {"callee leaves one for another interface", true, IID_ISWbemLocator, false, false},
        {"callee leaves none", false, IID_ISWbemServices, false, false},
        {"no callee", true, IID_ISWbemServices, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ErrorSource source(c.has_support, c.supported);
        LeaveErrorObject();
        const EWmiError e =
            ComCallError(hresult::kWbemInvalidNamespace, c.null_callee ? nullptr : &source, IID_ISWbemServices);
        EXPECT_EQ(e.Code(), hresult::kWbemInvalidNamespace);
        if (c.expect_object) {
            EXPECT_STREQ(e.what(), "Invalid namespace");
            EXPECT_EQ(e.Source(), "SWbemLocator");
            EXPECT_EQ(e.HelpFile(), "wbem.chm");
            EXPECT_EQ(e.HelpContext(), 4711u);
        } else {
            EXPECT_STREQ(e.what(), "WMI call failed with code 0x8004100E");
            EXPECT_EQ(e.Source(), "");
            EXPECT_EQ(e.HelpFile(), "");
            EXPECT_EQ(e.HelpContext(), 0u);
        }
        EXPECT_EQ(source.refs(), 1u) << "a reference to the callee was kept";
        SetErrorInfo(0, nullptr);
    }
}

// The real scan over real files through version.dll and real process ids
// through the image path seam: WMI is faked, so the paths can be chosen.
TEST(ProcessScanWine, RealFilesFillTheVersionColumnsThroughVersionDll) {
    const std::string dir = SCAN_FIXTURE_DIR;
    const std::string full = dir + "\\scan_full.dll";
    const std::string no_product = dir + "\\scan_no_product.dll";
    const std::string no_version = dir + "\\scan_no_version.dll";
    const std::string missing = dir + "\\no_such_file.exe";
    const std::string system_dll = System32("version.dll");

    FakeWmi wmi;
    wmi.processes = {
        FakeProcess::Of(u"full.exe", Widen(full)),
        FakeProcess::Of(u"noproduct.exe", Widen(no_product)),
        FakeProcess::Of(u"noversion.exe", Widen(no_version)),
        FakeProcess::Of(u"gone.exe", Widen(missing)),
        FakeProcess::Of(u"system.exe", Widen(system_dll)),
        FakeProcess::Of(u"nopath.exe", std::nullopt),
        // No path from WMI: the process id names the image.
        FakeProcess::WithId(u"self.exe", GetCurrentProcessId()),
        FakeProcess::WithId(u"ended.exe", 0xFFFFFFF1u),
    };
    InventoryTables t;
    CountingCursor cursor;
    RefreshProcesses(t, wmi, cursor, SystemVersionLibrary(), SystemProcessImage());

    const std::vector<Row> rows = RowsOf(t.tblProcesses);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0],
              (Row{"full.exe", full, "Scan fixture, full", "Scan Fixture Vendor", "Scan Fixture Caf\xe9 Suite"}));
    EXPECT_EQ(rows[1], (Row{"noproduct.exe", no_product, "Scan fixture, no product", "Other Vendor", ""}));
    EXPECT_EQ(rows[2], (Row{"noversion.exe", no_version, "", "", ""}));
    EXPECT_EQ(rows[3], (Row{"gone.exe", missing, "", "", ""}));
    EXPECT_EQ(rows[4][1], system_dll);
    EXPECT_FALSE(rows[4][2].empty()) << "Wine's own DLLs carry a description";
    EXPECT_EQ(rows[5], (Row{"nopath.exe", "", "", "", ""}));
    EXPECT_EQ(rows[6][0], "self.exe");
    EXPECT_EQ(Lower(rows[6][1]), Lower(OwnPath()));
    EXPECT_EQ((Row{"", "", rows[6][2], rows[6][3], rows[6][4]}), kOwnVersionStrings);
    EXPECT_EQ(rows[7], (Row{"ended.exe", "", "", "", ""}));
    EXPECT_EQ(wmi.live_handles, 0);
}

}  // namespace
}  // namespace corvanta::test
