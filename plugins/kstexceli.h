// Microsoft Excel's object model, as far as the Excel plugin reaches into it.
//
// `_Workbook` is called early-bound, so its vtable must match Excel's type
// library slot for slot: every member up to `Windows` is declared in the
// library's order (IUnknown takes slots 0-2, IDispatch 3-6, `Application` is
// slot 7 and `Windows` slot 130). Members the library marks [lcid] take the
// locale as an explicit argument. Everything else is reached late-bound
// through IDispatch::Invoke with the dispatch identifiers below.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace kst {

// {000208DA-0000-0000-C000-000000000046}
inline constexpr IID IID_ExcelWorkbook = {
    0x000208DA, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {00020892-0000-0000-C000-000000000046}
inline constexpr IID IID_ExcelWindows = {
    0x00020892, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The workbook's collection of windows, reached through IDispatch only.
struct Windows : public IDispatch {};

// Excel's workbook interface up to and including `Windows`.
struct _Workbook : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Application(IDispatch** RHS) = 0;  // slot 7
  virtual HRESULT STDMETHODCALLTYPE get_Creator(long* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AcceptLabelsInFormulas(VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AcceptLabelsInFormulas(VARIANT_BOOL RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE Activate(long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ActiveChart(IDispatch** RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ActiveSheet(IDispatch** RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Author(long lcid, BSTR* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Author(long lcid, BSTR RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AutoUpdateFrequency(long* RHS) = 0;  // slot 17
  virtual HRESULT STDMETHODCALLTYPE put_AutoUpdateFrequency(long RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AutoUpdateSaveChanges(VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AutoUpdateSaveChanges(VARIANT_BOOL RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ChangeHistoryDuration(long* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ChangeHistoryDuration(long RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_BuiltinDocumentProperties(IDispatch** RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE ChangeFileAccess(long Mode, VARIANT WritePassword,
                                                     VARIANT Notify, long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE ChangeLink(BSTR Name, BSTR NewName, long Type, long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Charts(IDispatch** RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE Close(VARIANT SaveChanges, VARIANT Filename,
                                          VARIANT RouteWorkbook, long lcid) = 0;  // slot 27
  virtual HRESULT STDMETHODCALLTYPE get_CodeName(BSTR* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get__CodeName(BSTR* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put__CodeName(BSTR RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Colors(VARIANT Index, long lcid, VARIANT* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Colors(VARIANT Index, long lcid, VARIANT RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CommandBars(IDispatch** RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Comments(long lcid, BSTR* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Comments(long lcid, BSTR RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ConflictResolution(long* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ConflictResolution(long RHS) = 0;  // slot 37
  virtual HRESULT STDMETHODCALLTYPE get_Container(IDispatch** RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CreateBackup(long lcid, VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CustomDocumentProperties(IDispatch** RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Date1904(long lcid, VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Date1904(long lcid, VARIANT_BOOL RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteNumberFormat(BSTR NumberFormat, long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_DialogSheets(IDispatch** RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_DisplayDrawingObjects(long lcid, long* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_DisplayDrawingObjects(long lcid, long RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE ExclusiveAccess(long lcid, VARIANT_BOOL* RHS) = 0;  // slot 47
  virtual HRESULT STDMETHODCALLTYPE get_FileFormat(long lcid, long* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE ForwardMailer(long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_FullName(long lcid, BSTR* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_HasMailer(long lcid, VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_HasMailer(long lcid, VARIANT_BOOL RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_HasPassword(long lcid, VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_HasRoutingSlip(long lcid, VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_HasRoutingSlip(long lcid, VARIANT_BOOL RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsAddin(VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsAddin(VARIANT_BOOL RHS) = 0;  // slot 57
  virtual HRESULT STDMETHODCALLTYPE get_Keywords(long lcid, BSTR* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Keywords(long lcid, BSTR RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE LinkInfo(BSTR Name, long LinkInfo, VARIANT Type,
                                             VARIANT EditionRef, long lcid, VARIANT* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE LinkSources(VARIANT Type, long lcid, VARIANT* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Mailer(IDispatch** RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE MergeWorkbook(VARIANT Filename) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Modules(IDispatch** RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_MultiUserEditing(long lcid, VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Names(IDispatch** RHS) = 0;  // slot 67
  virtual HRESULT STDMETHODCALLTYPE NewWindow(long lcid, IDispatch** RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_OnSave(long lcid, BSTR* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_OnSave(long lcid, BSTR RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_OnSheetActivate(long lcid, BSTR* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_OnSheetActivate(long lcid, BSTR RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_OnSheetDeactivate(long lcid, BSTR* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_OnSheetDeactivate(long lcid, BSTR RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenLinks(BSTR Name, VARIANT ReadOnly, VARIANT Type,
                                              long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Path(long lcid, BSTR* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_PersonalViewListSettings(VARIANT_BOOL* RHS) = 0;  // slot 77
  virtual HRESULT STDMETHODCALLTYPE put_PersonalViewListSettings(VARIANT_BOOL RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_PersonalViewPrintSettings(VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_PersonalViewPrintSettings(VARIANT_BOOL RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE PivotCaches(IDispatch** RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE Post(VARIANT DestName, long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_PrecisionAsDisplayed(long lcid, VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_PrecisionAsDisplayed(long lcid, VARIANT_BOOL RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE __PrintOut(VARIANT From, VARIANT To, VARIANT Copies,
                                               VARIANT Preview, VARIANT ActivePrinter,
                                               VARIANT PrintToFile, VARIANT Collate, long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE PrintPreview(VARIANT EnableChanges, long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE _Protect(VARIANT Password, VARIANT Structure,
                                             VARIANT Windows) = 0;  // slot 87
  virtual HRESULT STDMETHODCALLTYPE _ProtectSharing(VARIANT Filename, VARIANT Password,
                                                    VARIANT WriteResPassword,
                                                    VARIANT ReadOnlyRecommended,
                                                    VARIANT CreateBackup,
                                                    VARIANT SharingPassword) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ProtectStructure(VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ProtectWindows(VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ReadOnly(long lcid, VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get__ReadOnlyRecommended(long lcid, VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE RefreshAll() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reply(long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReplyAll(long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE RemoveUser(long Index) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_RevisionNumber(long lcid, long* RHS) = 0;  // slot 97
  virtual HRESULT STDMETHODCALLTYPE Route(long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Routed(long lcid, VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_RoutingSlip(IDispatch** RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE RunAutoMacros(long Which, long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE Save(long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE _SaveAs(VARIANT Filename, VARIANT FileFormat, VARIANT Password,
                                            VARIANT WriteResPassword, VARIANT ReadOnlyRecommended,
                                            VARIANT CreateBackup, long AccessMode,
                                            VARIANT ConflictResolution, VARIANT AddToMru,
                                            VARIANT TextCodepage, VARIANT TextVisualLayout,
                                            long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE SaveCopyAs(VARIANT Filename, long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Saved(long lcid, VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Saved(long lcid, VARIANT_BOOL RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_SaveLinkValues(long lcid, VARIANT_BOOL* RHS) = 0;  // slot 107
  virtual HRESULT STDMETHODCALLTYPE put_SaveLinkValues(long lcid, VARIANT_BOOL RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE SendMail(VARIANT Recipients, VARIANT Subject,
                                             VARIANT ReturnReceipt, long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE SendMailer(VARIANT FileFormat, long Priority, long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetLinkOnData(BSTR Name, VARIANT Procedure, long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Sheets(IDispatch** RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ShowConflictHistory(long lcid, VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ShowConflictHistory(long lcid, VARIANT_BOOL RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Styles(IDispatch** RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Subject(long lcid, BSTR* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Subject(long lcid, BSTR RHS) = 0;  // slot 117
  virtual HRESULT STDMETHODCALLTYPE get_Title(long lcid, BSTR* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Title(long lcid, BSTR RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unprotect(VARIANT Password, long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE UnprotectSharing(VARIANT SharingPassword) = 0;
  virtual HRESULT STDMETHODCALLTYPE UpdateFromFile(long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE UpdateLink(VARIANT Name, VARIANT Type, long lcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_UpdateRemoteReferences(long lcid, VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_UpdateRemoteReferences(long lcid, VARIANT_BOOL RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_UserControl(VARIANT_BOOL* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_UserControl(VARIANT_BOOL RHS) = 0;  // slot 127
  virtual HRESULT STDMETHODCALLTYPE get_UserStatus(long lcid, VARIANT* RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CustomViews(IDispatch** RHS) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Windows(Windows** RHS) = 0;  // slot 130
};

// The vtable slot of `_Workbook::get_Windows`, counted from QueryInterface.
inline constexpr int kWorkbookWindowsSlot = 130;

// Dispatch identifiers of the late-bound members.
inline constexpr DISPID dispidWindowsCount = 0x76;
inline constexpr DISPID dispidWindowsItem = 0xAA;
inline constexpr DISPID dispidWindowCaption = 0x8B;
inline constexpr DISPID dispidWindowActiveCell = 0x131;
inline constexpr DISPID dispidWindowZoom = 0x297;
inline constexpr DISPID dispidWindowVisibleRange = 0x45E;
inline constexpr DISPID dispidRangeValue = 6;
inline constexpr DISPID dispidRangeShow = 0x1F0;
inline constexpr DISPID dispidRangeLeft = 0x7F;
inline constexpr DISPID dispidRangeTop = 0x7E;

// The RangeValueDataType argument of `Range.Value`: the default kind of value.
inline constexpr LONG xlRangeValueDefault = 10;

}  // namespace kst
