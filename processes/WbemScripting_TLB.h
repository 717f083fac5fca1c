#pragma once
// Our declarations of the WMI scripting interfaces, from the published layout
// of the WMI scripting type library (wbemdisp). Windows build only.
//
// Every interface is a dual interface: its vtable is IUnknown's three slots,
// IDispatch's four, then the methods below in exactly this order. Methods we
// never call are still declared so that the slots of the ones we do call sit
// where the type library puts them. Interfaces we only pass through pointers
// of are left incomplete.
#include <windows.h>
#include <oaidl.h>
#include <objbase.h>

#include "processes/com_ptr.h"
#include "processes/wmi_error.h"

namespace corvanta {

struct ISWbemSecurity;
struct ISWbemObjectPath;
struct ISWbemQualifierSet;
struct ISWbemMethodSet;
struct ISWbemEventSource;
struct ISWbemServices;
struct ISWbemObject;
struct ISWbemObjectSet;
struct ISWbemPropertySet;
struct ISWbemProperty;

// The CIM type of a property (WbemCimtypeEnum); passed as a 32-bit value.
enum WbemCimtypeEnum : LONG {
    wbemCimtypeString = 8,
};

// {76A64158-CB41-11D1-8B02-00600806D9B6}
inline constexpr CLSID CLSID_SWbemLocator = {
    0x76A64158, 0xCB41, 0x11D1, {0x8B, 0x02, 0x00, 0x60, 0x08, 0x06, 0xD9, 0xB6}};
// {76A6415B-CB41-11D1-8B02-00600806D9B6}
inline constexpr IID IID_ISWbemLocator = {0x76A6415B, 0xCB41, 0x11D1, {0x8B, 0x02, 0x00, 0x60, 0x08, 0x06, 0xD9, 0xB6}};
// {76A6415C-CB41-11D1-8B02-00600806D9B6}
inline constexpr IID IID_ISWbemServices = {
    0x76A6415C, 0xCB41, 0x11D1, {0x8B, 0x02, 0x00, 0x60, 0x08, 0x06, 0xD9, 0xB6}};
// {76A6415F-CB41-11D1-8B02-00600806D9B6}
inline constexpr IID IID_ISWbemObjectSet = {
    0x76A6415F, 0xCB41, 0x11D1, {0x8B, 0x02, 0x00, 0x60, 0x08, 0x06, 0xD9, 0xB6}};
// {76A6415A-CB41-11D1-8B02-00600806D9B6}
inline constexpr IID IID_ISWbemObject = {0x76A6415A, 0xCB41, 0x11D1, {0x8B, 0x02, 0x00, 0x60, 0x08, 0x06, 0xD9, 0xB6}};
// {DEA0A7B2-D4BA-11D1-8B09-00600806D9B6}
inline constexpr IID IID_ISWbemPropertySet = {
    0xDEA0A7B2, 0xD4BA, 0x11D1, {0x8B, 0x09, 0x00, 0x60, 0x08, 0x06, 0xD9, 0xB6}};
// {1A388F98-D4BA-11D1-8B09-00600806D9B6}
inline constexpr IID IID_ISWbemProperty = {
    0x1A388F98, 0xD4BA, 0x11D1, {0x8B, 0x09, 0x00, 0x60, 0x08, 0x06, 0xD9, 0xB6}};
// {00020404-0000-0000-C000-000000000046}
inline constexpr IID IID_IEnumVARIANT_ = {0x00020404, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {00000000-0000-0000-C000-000000000046}
inline constexpr IID IID_IUnknown_ = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

struct ISWbemLocator : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE ConnectServer(BSTR strServer, BSTR strNamespace, BSTR strUser, BSTR strPassword,
                                                    BSTR strLocale, BSTR strAuthority, LONG iSecurityFlags,
                                                    IDispatch* objWbemNamedValueSet,
                                                    ISWbemServices** objWbemServices) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Security_(ISWbemSecurity** objWbemSecurity) = 0;
};

struct ISWbemServices : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Get(BSTR strObjectPath, LONG iFlags, IDispatch* objWbemNamedValueSet,
                                          ISWbemObject** objWbemObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAsync(IDispatch* objWbemSink, BSTR strObjectPath, LONG iFlags,
                                               IDispatch* objWbemNamedValueSet, IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE Delete(BSTR strObjectPath, LONG iFlags, IDispatch* objWbemNamedValueSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteAsync(IDispatch* objWbemSink, BSTR strObjectPath, LONG iFlags,
                                                  IDispatch* objWbemNamedValueSet, IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE InstancesOf(BSTR strClass, LONG iFlags, IDispatch* objWbemNamedValueSet,
                                                  ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE InstancesOfAsync(IDispatch* objWbemSink, BSTR strClass, LONG iFlags,
                                                       IDispatch* objWbemNamedValueSet,
                                                       IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE SubclassesOf(BSTR strSuperclass, LONG iFlags, IDispatch* objWbemNamedValueSet,
                                                   ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE SubclassesOfAsync(IDispatch* objWbemSink, BSTR strSuperclass, LONG iFlags,
                                                        IDispatch* objWbemNamedValueSet,
                                                        IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecQuery(BSTR strQuery, BSTR strQueryLanguage, LONG iFlags,
                                                IDispatch* objWbemNamedValueSet,
                                                ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecQueryAsync(IDispatch* objWbemSink, BSTR strQuery, BSTR strQueryLanguage,
                                                     LONG lFlags, IDispatch* objWbemNamedValueSet,
                                                     IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE AssociatorsOf(BSTR strObjectPath, BSTR strAssocClass, BSTR strResultClass,
                                                    BSTR strResultRole, BSTR strRole, VARIANT_BOOL bClassesOnly,
                                                    VARIANT_BOOL bSchemaOnly, BSTR strRequiredAssocQualifier,
                                                    BSTR strRequiredQualifier, LONG iFlags,
                                                    IDispatch* objWbemNamedValueSet,
                                                    ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE AssociatorsOfAsync(IDispatch* objWbemSink, BSTR strObjectPath, BSTR strAssocClass,
                                                         BSTR strResultClass, BSTR strResultRole, BSTR strRole,
                                                         VARIANT_BOOL bClassesOnly, VARIANT_BOOL bSchemaOnly,
                                                         BSTR strRequiredAssocQualifier, BSTR strRequiredQualifier,
                                                         LONG iFlags, IDispatch* objWbemNamedValueSet,
                                                         IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReferencesTo(BSTR strObjectPath, BSTR strResultClass, BSTR strRole,
                                                   VARIANT_BOOL bClassesOnly, VARIANT_BOOL bSchemaOnly,
                                                   BSTR strRequiredQualifier, LONG iFlags,
                                                   IDispatch* objWbemNamedValueSet,
                                                   ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReferencesToAsync(IDispatch* objWbemSink, BSTR strObjectPath, BSTR strResultClass,
                                                        BSTR strRole, VARIANT_BOOL bClassesOnly,
                                                        VARIANT_BOOL bSchemaOnly, BSTR strRequiredQualifier,
                                                        LONG iFlags, IDispatch* objWbemNamedValueSet,
                                                        IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecNotificationQuery(BSTR strQuery, BSTR strQueryLanguage, LONG iFlags,
                                                            IDispatch* objWbemNamedValueSet,
                                                            ISWbemEventSource** objWbemEventSource) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecNotificationQueryAsync(IDispatch* objWbemSink, BSTR strQuery,
                                                                 BSTR strQueryLanguage, LONG iFlags,
                                                                 IDispatch* objWbemNamedValueSet,
                                                                 IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecMethod(BSTR strObjectPath, BSTR strMethodName, IDispatch* objWbemInParameters,
                                                 LONG iFlags, IDispatch* objWbemNamedValueSet,
                                                 ISWbemObject** objWbemOutParameters) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecMethodAsync(IDispatch* objWbemSink, BSTR strObjectPath, BSTR strMethodName,
                                                      IDispatch* objWbemInParameters, LONG iFlags,
                                                      IDispatch* objWbemNamedValueSet,
                                                      IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Security_(ISWbemSecurity** objWbemSecurity) = 0;
};

struct ISWbemObjectSet : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** pUnk) = 0;
    virtual HRESULT STDMETHODCALLTYPE Item(BSTR strObjectPath, LONG iFlags, ISWbemObject** objWbemObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* iCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Security_(ISWbemSecurity** objWbemSecurity) = 0;
    virtual HRESULT STDMETHODCALLTYPE ItemIndex(LONG lIndex, ISWbemObject** objWbemObject) = 0;
};

struct ISWbemObject : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Put_(LONG iFlags, IDispatch* objWbemNamedValueSet,
                                           ISWbemObjectPath** objWbemObjectPath) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutAsync_(IDispatch* objWbemSink, LONG iFlags, IDispatch* objWbemNamedValueSet,
                                                IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE Delete_(LONG iFlags, IDispatch* objWbemNamedValueSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteAsync_(IDispatch* objWbemSink, LONG iFlags, IDispatch* objWbemNamedValueSet,
                                                   IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE Instances_(LONG iFlags, IDispatch* objWbemNamedValueSet,
                                                 ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE InstancesAsync_(IDispatch* objWbemSink, LONG iFlags,
                                                      IDispatch* objWbemNamedValueSet,
                                                      IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE Subclasses_(LONG iFlags, IDispatch* objWbemNamedValueSet,
                                                  ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE SubclassesAsync_(IDispatch* objWbemSink, LONG iFlags,
                                                       IDispatch* objWbemNamedValueSet,
                                                       IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE Associators_(BSTR strAssocClass, BSTR strResultClass, BSTR strResultRole,
                                                   BSTR strRole, VARIANT_BOOL bClassesOnly, VARIANT_BOOL bSchemaOnly,
                                                   BSTR strRequiredAssocQualifier, BSTR strRequiredQualifier,
                                                   LONG iFlags, IDispatch* objWbemNamedValueSet,
                                                   ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE AssociatorsAsync_(IDispatch* objWbemSink, BSTR strAssocClass, BSTR strResultClass,
                                                        BSTR strResultRole, BSTR strRole, VARIANT_BOOL bClassesOnly,
                                                        VARIANT_BOOL bSchemaOnly, BSTR strRequiredAssocQualifier,
                                                        BSTR strRequiredQualifier, LONG iFlags,
                                                        IDispatch* objWbemNamedValueSet,
                                                        IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE References_(BSTR strResultClass, BSTR strRole, VARIANT_BOOL bClassesOnly,
                                                  VARIANT_BOOL bSchemaOnly, BSTR strRequiredQualifier, LONG iFlags,
                                                  IDispatch* objWbemNamedValueSet,
                                                  ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReferencesAsync_(IDispatch* objWbemSink, BSTR strResultClass, BSTR strRole,
                                                       VARIANT_BOOL bClassesOnly, VARIANT_BOOL bSchemaOnly,
                                                       BSTR strRequiredQualifier, LONG iFlags,
                                                       IDispatch* objWbemNamedValueSet,
                                                       IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecMethod_(BSTR strMethodName, IDispatch* objWbemInParameters, LONG iFlags,
                                                  IDispatch* objWbemNamedValueSet,
                                                  ISWbemObject** objWbemOutParameters) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecMethodAsync_(IDispatch* objWbemSink, BSTR strMethodName,
                                                       IDispatch* objWbemInParameters, LONG iFlags,
                                                       IDispatch* objWbemNamedValueSet,
                                                       IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone_(ISWbemObject** objWbemObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetObjectText_(LONG iFlags, BSTR* strObjectText) = 0;
    virtual HRESULT STDMETHODCALLTYPE SpawnDerivedClass_(LONG iFlags, ISWbemObject** objWbemObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE SpawnInstance_(LONG iFlags, ISWbemObject** objWbemObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareTo_(IDispatch* objWbemObject, LONG iFlags, VARIANT_BOOL* bResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Qualifiers_(ISWbemQualifierSet** objWbemQualifierSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Properties_(ISWbemPropertySet** objWbemPropertySet) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Methods_(ISWbemMethodSet** objWbemMethodSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Derivation_(VARIANT* strClassNameArray) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Path_(ISWbemObjectPath** objWbemObjectPath) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Security_(ISWbemSecurity** objWbemSecurity) = 0;
};

struct ISWbemPropertySet : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** pUnk) = 0;
    virtual HRESULT STDMETHODCALLTYPE Item(BSTR strName, LONG iFlags, ISWbemProperty** objWbemProperty) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* iCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE Add(BSTR strName, WbemCimtypeEnum iCIMType, VARIANT_BOOL bIsArray, LONG iFlags,
                                          ISWbemProperty** objWbemProperty) = 0;
    virtual HRESULT STDMETHODCALLTYPE Remove(BSTR strName, LONG iFlags) = 0;
};

struct ISWbemProperty : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Value(VARIANT* varValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Value(VARIANT* varValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* strName) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsLocal(VARIANT_BOOL* bIsLocal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Origin(BSTR* strOrigin) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CIMType(WbemCimtypeEnum* iCimType) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Qualifiers_(ISWbemQualifierSet** objWbemQualifierSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsArray(VARIANT_BOOL* bIsArray) = 0;
};

// The error that a failed call on `callee`, made through interface `iid`,
// becomes: the code, and what the error object says when the callee declares
// (ISupportErrorInfo) that it leaves one for that interface.
EWmiError ComCallError(HRESULT code, IUnknown* callee, const IID& iid);

// The factory that creates the SWbemLocator class (see wmi_access_win.cpp).
struct CoSWbemLocator {
    // Creates it in-process or as a local server, asks for IUnknown, then for
    // ISWbemLocator. Raises EWmiError on either failure.
    static ComPtr<ISWbemLocator> Create();
};

}  // namespace corvanta
