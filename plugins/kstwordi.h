// Word's automation interfaces, as the plugin calls them: early-bound, through
// the vtables of Word's dual interfaces. A member's place in its vtable is all
// that routes a call to it, so every interface declares each member that Word's
// type library lists before the last one called here, in the library's order,
// up to that member. Members the plugin calls (and a few beside them) carry
// their full parameter lists; the others are declared by name only and hold
// their slots. The slot of each member (counting IUnknown's three and
// IDispatch's four) follows it in a comment; word_tests checks the ones the
// plugin relies on.
#pragma once

#include <oaidl.h>

#include "kstofficei.h"
#include "kstvbidei.h"

namespace kst::msword {

struct _Document;
struct Windows;
struct Window;
struct Selection;
struct Range;

// Word's character unit, for MoveStart and MoveEnd.
constexpr long wdCharacter = 1;

struct _Document : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Name() = 0;  // 7
  virtual HRESULT STDMETHODCALLTYPE get_Application() = 0;  // 8
  virtual HRESULT STDMETHODCALLTYPE get_Creator() = 0;  // 9
  virtual HRESULT STDMETHODCALLTYPE get_Parent() = 0;  // 10
  virtual HRESULT STDMETHODCALLTYPE get_BuiltInDocumentProperties() = 0;  // 11
  virtual HRESULT STDMETHODCALLTYPE get_CustomDocumentProperties() = 0;  // 12
  virtual HRESULT STDMETHODCALLTYPE get_Path() = 0;  // 13
  virtual HRESULT STDMETHODCALLTYPE get_Bookmarks() = 0;  // 14
  virtual HRESULT STDMETHODCALLTYPE get_Tables() = 0;  // 15
  virtual HRESULT STDMETHODCALLTYPE get_Footnotes() = 0;  // 16
  virtual HRESULT STDMETHODCALLTYPE get_Endnotes() = 0;  // 17
  virtual HRESULT STDMETHODCALLTYPE get_Comments() = 0;  // 18
  virtual HRESULT STDMETHODCALLTYPE get_Type() = 0;  // 19
  virtual HRESULT STDMETHODCALLTYPE get_AutoHyphenation() = 0;  // 20
  virtual HRESULT STDMETHODCALLTYPE put_AutoHyphenation() = 0;  // 21
  virtual HRESULT STDMETHODCALLTYPE get_HyphenateCaps() = 0;  // 22
  virtual HRESULT STDMETHODCALLTYPE put_HyphenateCaps() = 0;  // 23
  virtual HRESULT STDMETHODCALLTYPE get_HyphenationZone() = 0;  // 24
  virtual HRESULT STDMETHODCALLTYPE put_HyphenationZone() = 0;  // 25
  virtual HRESULT STDMETHODCALLTYPE get_ConsecutiveHyphensLimit() = 0;  // 26
  virtual HRESULT STDMETHODCALLTYPE put_ConsecutiveHyphensLimit() = 0;  // 27
  virtual HRESULT STDMETHODCALLTYPE get_Sections() = 0;  // 28
  virtual HRESULT STDMETHODCALLTYPE get_Paragraphs() = 0;  // 29
  virtual HRESULT STDMETHODCALLTYPE get_Words() = 0;  // 30
  virtual HRESULT STDMETHODCALLTYPE get_Sentences() = 0;  // 31
  virtual HRESULT STDMETHODCALLTYPE get_Characters() = 0;  // 32
  virtual HRESULT STDMETHODCALLTYPE get_Fields() = 0;  // 33
  virtual HRESULT STDMETHODCALLTYPE get_FormFields() = 0;  // 34
  virtual HRESULT STDMETHODCALLTYPE get_Styles() = 0;  // 35
  virtual HRESULT STDMETHODCALLTYPE get_Frames() = 0;  // 36
  virtual HRESULT STDMETHODCALLTYPE get_TablesOfFigures() = 0;  // 37
  virtual HRESULT STDMETHODCALLTYPE get_Variables() = 0;  // 38
  virtual HRESULT STDMETHODCALLTYPE get_MailMerge() = 0;  // 39
  virtual HRESULT STDMETHODCALLTYPE get_Envelope() = 0;  // 40
  virtual HRESULT STDMETHODCALLTYPE get_FullName() = 0;  // 41
  virtual HRESULT STDMETHODCALLTYPE get_Revisions() = 0;  // 42
  virtual HRESULT STDMETHODCALLTYPE get_TablesOfContents() = 0;  // 43
  virtual HRESULT STDMETHODCALLTYPE get_TablesOfAuthorities() = 0;  // 44
  virtual HRESULT STDMETHODCALLTYPE get_PageSetup() = 0;  // 45
  virtual HRESULT STDMETHODCALLTYPE put_PageSetup() = 0;  // 46
  virtual HRESULT STDMETHODCALLTYPE get_Windows(Windows** prop) = 0;  // 47
  virtual HRESULT STDMETHODCALLTYPE get_HasRoutingSlip() = 0;  // 48
  virtual HRESULT STDMETHODCALLTYPE put_HasRoutingSlip() = 0;  // 49
  virtual HRESULT STDMETHODCALLTYPE get_RoutingSlip() = 0;  // 50
  virtual HRESULT STDMETHODCALLTYPE get_Routed() = 0;  // 51
  virtual HRESULT STDMETHODCALLTYPE get_TablesOfAuthoritiesCategories() = 0;  // 52
  virtual HRESULT STDMETHODCALLTYPE get_Indexes() = 0;  // 53
  virtual HRESULT STDMETHODCALLTYPE get_Saved() = 0;  // 54
  virtual HRESULT STDMETHODCALLTYPE put_Saved() = 0;  // 55
  virtual HRESULT STDMETHODCALLTYPE get_Content() = 0;  // 56
  virtual HRESULT STDMETHODCALLTYPE get_ActiveWindow() = 0;  // 57
  virtual HRESULT STDMETHODCALLTYPE get_Kind() = 0;  // 58
  virtual HRESULT STDMETHODCALLTYPE put_Kind() = 0;  // 59
  virtual HRESULT STDMETHODCALLTYPE get_ReadOnly() = 0;  // 60
  virtual HRESULT STDMETHODCALLTYPE get_Subdocuments() = 0;  // 61
  virtual HRESULT STDMETHODCALLTYPE get_IsMasterDocument() = 0;  // 62
  virtual HRESULT STDMETHODCALLTYPE get_DefaultTabStop() = 0;  // 63
  virtual HRESULT STDMETHODCALLTYPE put_DefaultTabStop() = 0;  // 64
  virtual HRESULT STDMETHODCALLTYPE get_EmbedTrueTypeFonts() = 0;  // 65
  virtual HRESULT STDMETHODCALLTYPE put_EmbedTrueTypeFonts() = 0;  // 66
  virtual HRESULT STDMETHODCALLTYPE get_SaveFormsData() = 0;  // 67
  virtual HRESULT STDMETHODCALLTYPE put_SaveFormsData() = 0;  // 68
  virtual HRESULT STDMETHODCALLTYPE get_ReadOnlyRecommended() = 0;  // 69
  virtual HRESULT STDMETHODCALLTYPE put_ReadOnlyRecommended() = 0;  // 70
  virtual HRESULT STDMETHODCALLTYPE get_SaveSubsetFonts() = 0;  // 71
  virtual HRESULT STDMETHODCALLTYPE put_SaveSubsetFonts() = 0;  // 72
  virtual HRESULT STDMETHODCALLTYPE get_Compatibility() = 0;  // 73
  virtual HRESULT STDMETHODCALLTYPE put_Compatibility() = 0;  // 74
  virtual HRESULT STDMETHODCALLTYPE get_StoryRanges() = 0;  // 75
  virtual HRESULT STDMETHODCALLTYPE get_CommandBars(office::CommandBars** prop) = 0;  // 76
  virtual HRESULT STDMETHODCALLTYPE get_IsSubdocument() = 0;  // 77
  virtual HRESULT STDMETHODCALLTYPE get_SaveFormat() = 0;  // 78
  virtual HRESULT STDMETHODCALLTYPE get_ProtectionType() = 0;  // 79
  virtual HRESULT STDMETHODCALLTYPE get_Hyperlinks() = 0;  // 80
  virtual HRESULT STDMETHODCALLTYPE get_Shapes() = 0;  // 81
  virtual HRESULT STDMETHODCALLTYPE get_ListTemplates() = 0;  // 82
  virtual HRESULT STDMETHODCALLTYPE get_Lists() = 0;  // 83
  virtual HRESULT STDMETHODCALLTYPE get_UpdateStylesOnOpen() = 0;  // 84
  virtual HRESULT STDMETHODCALLTYPE put_UpdateStylesOnOpen() = 0;  // 85
  virtual HRESULT STDMETHODCALLTYPE get_AttachedTemplate() = 0;  // 86
  virtual HRESULT STDMETHODCALLTYPE put_AttachedTemplate() = 0;  // 87
  virtual HRESULT STDMETHODCALLTYPE get_InlineShapes() = 0;  // 88
  virtual HRESULT STDMETHODCALLTYPE get_Background() = 0;  // 89
  virtual HRESULT STDMETHODCALLTYPE put_Background() = 0;  // 90
  virtual HRESULT STDMETHODCALLTYPE get_GrammarChecked() = 0;  // 91
  virtual HRESULT STDMETHODCALLTYPE put_GrammarChecked() = 0;  // 92
  virtual HRESULT STDMETHODCALLTYPE get_SpellingChecked() = 0;  // 93
  virtual HRESULT STDMETHODCALLTYPE put_SpellingChecked() = 0;  // 94
  virtual HRESULT STDMETHODCALLTYPE get_ShowGrammaticalErrors() = 0;  // 95
  virtual HRESULT STDMETHODCALLTYPE put_ShowGrammaticalErrors() = 0;  // 96
  virtual HRESULT STDMETHODCALLTYPE get_ShowSpellingErrors() = 0;  // 97
  virtual HRESULT STDMETHODCALLTYPE put_ShowSpellingErrors() = 0;  // 98
  virtual HRESULT STDMETHODCALLTYPE get_Versions() = 0;  // 99
  virtual HRESULT STDMETHODCALLTYPE get_ShowSummary() = 0;  // 100
  virtual HRESULT STDMETHODCALLTYPE put_ShowSummary() = 0;  // 101
  virtual HRESULT STDMETHODCALLTYPE get_SummaryViewMode() = 0;  // 102
  virtual HRESULT STDMETHODCALLTYPE put_SummaryViewMode() = 0;  // 103
  virtual HRESULT STDMETHODCALLTYPE get_SummaryLength() = 0;  // 104
  virtual HRESULT STDMETHODCALLTYPE put_SummaryLength() = 0;  // 105
  virtual HRESULT STDMETHODCALLTYPE get_PrintFractionalWidths() = 0;  // 106
  virtual HRESULT STDMETHODCALLTYPE put_PrintFractionalWidths() = 0;  // 107
  virtual HRESULT STDMETHODCALLTYPE get_PrintPostScriptOverText() = 0;  // 108
  virtual HRESULT STDMETHODCALLTYPE put_PrintPostScriptOverText() = 0;  // 109
  virtual HRESULT STDMETHODCALLTYPE get_Container() = 0;  // 110
  virtual HRESULT STDMETHODCALLTYPE get_PrintFormsData() = 0;  // 111
  virtual HRESULT STDMETHODCALLTYPE put_PrintFormsData() = 0;  // 112
  virtual HRESULT STDMETHODCALLTYPE get_ListParagraphs() = 0;  // 113
  virtual HRESULT STDMETHODCALLTYPE put_Password() = 0;  // 114
  virtual HRESULT STDMETHODCALLTYPE put_WritePassword() = 0;  // 115
  virtual HRESULT STDMETHODCALLTYPE get_HasPassword() = 0;  // 116
  virtual HRESULT STDMETHODCALLTYPE get_WriteReserved() = 0;  // 117
  virtual HRESULT STDMETHODCALLTYPE get_ActiveWritingStyle() = 0;  // 118
  virtual HRESULT STDMETHODCALLTYPE put_ActiveWritingStyle() = 0;  // 119
  virtual HRESULT STDMETHODCALLTYPE get_UserControl() = 0;  // 120
  virtual HRESULT STDMETHODCALLTYPE put_UserControl() = 0;  // 121
  virtual HRESULT STDMETHODCALLTYPE get_HasMailer() = 0;  // 122
  virtual HRESULT STDMETHODCALLTYPE put_HasMailer() = 0;  // 123
  virtual HRESULT STDMETHODCALLTYPE get_Mailer() = 0;  // 124
  virtual HRESULT STDMETHODCALLTYPE get_ReadabilityStatistics() = 0;  // 125
  virtual HRESULT STDMETHODCALLTYPE get_GrammaticalErrors() = 0;  // 126
  virtual HRESULT STDMETHODCALLTYPE get_SpellingErrors() = 0;  // 127
  virtual HRESULT STDMETHODCALLTYPE get_VBProject(vbide::VBProject** prop) = 0;  // 128
  virtual HRESULT STDMETHODCALLTYPE get_FormsDesign() = 0;  // 129
  virtual HRESULT STDMETHODCALLTYPE get__CodeName() = 0;  // 130
  virtual HRESULT STDMETHODCALLTYPE put__CodeName() = 0;  // 131
  virtual HRESULT STDMETHODCALLTYPE get_CodeName() = 0;  // 132
  virtual HRESULT STDMETHODCALLTYPE get_SnapToGrid() = 0;  // 133
  virtual HRESULT STDMETHODCALLTYPE put_SnapToGrid() = 0;  // 134
  virtual HRESULT STDMETHODCALLTYPE get_SnapToShapes() = 0;  // 135
  virtual HRESULT STDMETHODCALLTYPE put_SnapToShapes() = 0;  // 136
  virtual HRESULT STDMETHODCALLTYPE get_GridDistanceHorizontal() = 0;  // 137
  virtual HRESULT STDMETHODCALLTYPE put_GridDistanceHorizontal() = 0;  // 138
  virtual HRESULT STDMETHODCALLTYPE get_GridDistanceVertical() = 0;  // 139
  virtual HRESULT STDMETHODCALLTYPE put_GridDistanceVertical() = 0;  // 140
  virtual HRESULT STDMETHODCALLTYPE get_GridOriginHorizontal() = 0;  // 141
  virtual HRESULT STDMETHODCALLTYPE put_GridOriginHorizontal() = 0;  // 142
  virtual HRESULT STDMETHODCALLTYPE get_GridOriginVertical() = 0;  // 143
  virtual HRESULT STDMETHODCALLTYPE put_GridOriginVertical() = 0;  // 144
  virtual HRESULT STDMETHODCALLTYPE get_GridSpaceBetweenHorizontalLines() = 0;  // 145
  virtual HRESULT STDMETHODCALLTYPE put_GridSpaceBetweenHorizontalLines() = 0;  // 146
  virtual HRESULT STDMETHODCALLTYPE get_GridSpaceBetweenVerticalLines() = 0;  // 147
  virtual HRESULT STDMETHODCALLTYPE put_GridSpaceBetweenVerticalLines() = 0;  // 148
  virtual HRESULT STDMETHODCALLTYPE get_GridOriginFromMargin() = 0;  // 149
  virtual HRESULT STDMETHODCALLTYPE put_GridOriginFromMargin() = 0;  // 150
  virtual HRESULT STDMETHODCALLTYPE get_KerningByAlgorithm() = 0;  // 151
  virtual HRESULT STDMETHODCALLTYPE put_KerningByAlgorithm() = 0;  // 152
  virtual HRESULT STDMETHODCALLTYPE get_JustificationMode() = 0;  // 153
  virtual HRESULT STDMETHODCALLTYPE put_JustificationMode() = 0;  // 154
  virtual HRESULT STDMETHODCALLTYPE get_FarEastLineBreakLevel() = 0;  // 155
  virtual HRESULT STDMETHODCALLTYPE put_FarEastLineBreakLevel() = 0;  // 156
  virtual HRESULT STDMETHODCALLTYPE get_NoLineBreakBefore() = 0;  // 157
  virtual HRESULT STDMETHODCALLTYPE put_NoLineBreakBefore() = 0;  // 158
  virtual HRESULT STDMETHODCALLTYPE get_NoLineBreakAfter() = 0;  // 159
  virtual HRESULT STDMETHODCALLTYPE put_NoLineBreakAfter() = 0;  // 160
  virtual HRESULT STDMETHODCALLTYPE get_TrackRevisions() = 0;  // 161
  virtual HRESULT STDMETHODCALLTYPE put_TrackRevisions() = 0;  // 162
  virtual HRESULT STDMETHODCALLTYPE get_PrintRevisions() = 0;  // 163
  virtual HRESULT STDMETHODCALLTYPE put_PrintRevisions() = 0;  // 164
  virtual HRESULT STDMETHODCALLTYPE get_ShowRevisions() = 0;  // 165
  virtual HRESULT STDMETHODCALLTYPE put_ShowRevisions() = 0;  // 166
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;  // 167
  virtual HRESULT STDMETHODCALLTYPE SaveAs() = 0;  // 168
  virtual HRESULT STDMETHODCALLTYPE Repaginate() = 0;  // 169
  virtual HRESULT STDMETHODCALLTYPE FitToPages() = 0;  // 170
  virtual HRESULT STDMETHODCALLTYPE ManualHyphenation() = 0;  // 171
  virtual HRESULT STDMETHODCALLTYPE Select() = 0;  // 172
  virtual HRESULT STDMETHODCALLTYPE DataForm() = 0;  // 173
  virtual HRESULT STDMETHODCALLTYPE Route() = 0;  // 174
  virtual HRESULT STDMETHODCALLTYPE Save() = 0;  // 175
  virtual HRESULT STDMETHODCALLTYPE PrintOutOld() = 0;  // 176
  virtual HRESULT STDMETHODCALLTYPE SendMail() = 0;  // 177
  virtual HRESULT STDMETHODCALLTYPE Range(VARIANT* Start, VARIANT* End, msword::Range** prop) = 0;  // 178
};

struct Windows : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get__NewEnum() = 0;  // 7
  virtual HRESULT STDMETHODCALLTYPE get_Count(long* prop) = 0;  // 8
  virtual HRESULT STDMETHODCALLTYPE get_Application() = 0;  // 9
  virtual HRESULT STDMETHODCALLTYPE get_Creator() = 0;  // 10
  virtual HRESULT STDMETHODCALLTYPE get_Parent() = 0;  // 11
  virtual HRESULT STDMETHODCALLTYPE Item(VARIANT* Index, Window** prop) = 0;  // 12
};

struct Window : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Application() = 0;  // 7
  virtual HRESULT STDMETHODCALLTYPE get_Creator() = 0;  // 8
  virtual HRESULT STDMETHODCALLTYPE get_Parent() = 0;  // 9
  virtual HRESULT STDMETHODCALLTYPE get_ActivePane() = 0;  // 10
  virtual HRESULT STDMETHODCALLTYPE get_Document(_Document** prop) = 0;  // 11
  virtual HRESULT STDMETHODCALLTYPE get_Panes() = 0;  // 12
  virtual HRESULT STDMETHODCALLTYPE get_Selection(Selection** prop) = 0;  // 13
  virtual HRESULT STDMETHODCALLTYPE get_Left() = 0;  // 14
  virtual HRESULT STDMETHODCALLTYPE put_Left() = 0;  // 15
  virtual HRESULT STDMETHODCALLTYPE get_Top() = 0;  // 16
  virtual HRESULT STDMETHODCALLTYPE put_Top() = 0;  // 17
  virtual HRESULT STDMETHODCALLTYPE get_Width() = 0;  // 18
  virtual HRESULT STDMETHODCALLTYPE put_Width() = 0;  // 19
  virtual HRESULT STDMETHODCALLTYPE get_Height() = 0;  // 20
  virtual HRESULT STDMETHODCALLTYPE put_Height() = 0;  // 21
  virtual HRESULT STDMETHODCALLTYPE get_Split() = 0;  // 22
  virtual HRESULT STDMETHODCALLTYPE put_Split() = 0;  // 23
  virtual HRESULT STDMETHODCALLTYPE get_SplitVertical() = 0;  // 24
  virtual HRESULT STDMETHODCALLTYPE put_SplitVertical() = 0;  // 25
  virtual HRESULT STDMETHODCALLTYPE get_Caption(BSTR* prop) = 0;  // 26
  virtual HRESULT STDMETHODCALLTYPE put_Caption(BSTR prop) = 0;  // 27
  virtual HRESULT STDMETHODCALLTYPE get_WindowState() = 0;  // 28
  virtual HRESULT STDMETHODCALLTYPE put_WindowState() = 0;  // 29
  virtual HRESULT STDMETHODCALLTYPE get_DisplayRulers() = 0;  // 30
  virtual HRESULT STDMETHODCALLTYPE put_DisplayRulers() = 0;  // 31
  virtual HRESULT STDMETHODCALLTYPE get_DisplayVerticalRuler() = 0;  // 32
  virtual HRESULT STDMETHODCALLTYPE put_DisplayVerticalRuler() = 0;  // 33
  virtual HRESULT STDMETHODCALLTYPE get_View() = 0;  // 34
  virtual HRESULT STDMETHODCALLTYPE get_Type() = 0;  // 35
  virtual HRESULT STDMETHODCALLTYPE get_Next() = 0;  // 36
  virtual HRESULT STDMETHODCALLTYPE get_Previous() = 0;  // 37
  virtual HRESULT STDMETHODCALLTYPE get_WindowNumber() = 0;  // 38
  virtual HRESULT STDMETHODCALLTYPE get_DisplayVerticalScrollBar() = 0;  // 39
  virtual HRESULT STDMETHODCALLTYPE put_DisplayVerticalScrollBar() = 0;  // 40
  virtual HRESULT STDMETHODCALLTYPE get_DisplayHorizontalScrollBar() = 0;  // 41
  virtual HRESULT STDMETHODCALLTYPE put_DisplayHorizontalScrollBar() = 0;  // 42
  virtual HRESULT STDMETHODCALLTYPE get_StyleAreaWidth() = 0;  // 43
  virtual HRESULT STDMETHODCALLTYPE put_StyleAreaWidth() = 0;  // 44
  virtual HRESULT STDMETHODCALLTYPE get_DisplayScreenTips() = 0;  // 45
  virtual HRESULT STDMETHODCALLTYPE put_DisplayScreenTips() = 0;  // 46
  virtual HRESULT STDMETHODCALLTYPE get_HorizontalPercentScrolled() = 0;  // 47
  virtual HRESULT STDMETHODCALLTYPE put_HorizontalPercentScrolled() = 0;  // 48
  virtual HRESULT STDMETHODCALLTYPE get_VerticalPercentScrolled() = 0;  // 49
  virtual HRESULT STDMETHODCALLTYPE put_VerticalPercentScrolled() = 0;  // 50
  virtual HRESULT STDMETHODCALLTYPE get_DocumentMap() = 0;  // 51
  virtual HRESULT STDMETHODCALLTYPE put_DocumentMap() = 0;  // 52
  virtual HRESULT STDMETHODCALLTYPE get_Active(VARIANT_BOOL* prop) = 0;  // 53
  virtual HRESULT STDMETHODCALLTYPE get_DocumentMapPercentWidth() = 0;  // 54
  virtual HRESULT STDMETHODCALLTYPE put_DocumentMapPercentWidth() = 0;  // 55
  virtual HRESULT STDMETHODCALLTYPE get_Index() = 0;  // 56
  virtual HRESULT STDMETHODCALLTYPE get_IMEMode() = 0;  // 57
  virtual HRESULT STDMETHODCALLTYPE put_IMEMode() = 0;  // 58
  virtual HRESULT STDMETHODCALLTYPE Activate() = 0;  // 59
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;  // 60
  virtual HRESULT STDMETHODCALLTYPE LargeScroll() = 0;  // 61
  virtual HRESULT STDMETHODCALLTYPE SmallScroll() = 0;  // 62
  virtual HRESULT STDMETHODCALLTYPE NewWindow() = 0;  // 63
  virtual HRESULT STDMETHODCALLTYPE PrintOutOld() = 0;  // 64
  virtual HRESULT STDMETHODCALLTYPE PageScroll() = 0;  // 65
  virtual HRESULT STDMETHODCALLTYPE SetFocus() = 0;  // 66
  virtual HRESULT STDMETHODCALLTYPE RangeFromPoint() = 0;  // 67
  virtual HRESULT STDMETHODCALLTYPE ScrollIntoView(IDispatch* obj, VARIANT* Start) = 0;  // 68
  virtual HRESULT STDMETHODCALLTYPE GetPoint(long* ScreenPixelsLeft, long* ScreenPixelsTop, long* ScreenPixelsWidth,
                                             long* ScreenPixelsHeight, IDispatch* obj) = 0;  // 69
};

struct Selection : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Text(BSTR* prop) = 0;  // 7
  virtual HRESULT STDMETHODCALLTYPE put_Text(BSTR prop) = 0;  // 8
  virtual HRESULT STDMETHODCALLTYPE get_FormattedText() = 0;  // 9
  virtual HRESULT STDMETHODCALLTYPE put_FormattedText() = 0;  // 10
  virtual HRESULT STDMETHODCALLTYPE get_Start(long* prop) = 0;  // 11
  virtual HRESULT STDMETHODCALLTYPE put_Start() = 0;  // 12
  virtual HRESULT STDMETHODCALLTYPE get_End(long* prop) = 0;  // 13
  virtual HRESULT STDMETHODCALLTYPE put_End() = 0;  // 14
  virtual HRESULT STDMETHODCALLTYPE get_Font() = 0;  // 15
  virtual HRESULT STDMETHODCALLTYPE put_Font() = 0;  // 16
  virtual HRESULT STDMETHODCALLTYPE get_Type() = 0;  // 17
  virtual HRESULT STDMETHODCALLTYPE get_StoryType() = 0;  // 18
  virtual HRESULT STDMETHODCALLTYPE get_Style() = 0;  // 19
  virtual HRESULT STDMETHODCALLTYPE put_Style() = 0;  // 20
  virtual HRESULT STDMETHODCALLTYPE get_Tables() = 0;  // 21
  virtual HRESULT STDMETHODCALLTYPE get_Words() = 0;  // 22
  virtual HRESULT STDMETHODCALLTYPE get_Sentences() = 0;  // 23
  virtual HRESULT STDMETHODCALLTYPE get_Characters() = 0;  // 24
  virtual HRESULT STDMETHODCALLTYPE get_Footnotes() = 0;  // 25
  virtual HRESULT STDMETHODCALLTYPE get_Endnotes() = 0;  // 26
  virtual HRESULT STDMETHODCALLTYPE get_Comments() = 0;  // 27
  virtual HRESULT STDMETHODCALLTYPE get_Cells() = 0;  // 28
  virtual HRESULT STDMETHODCALLTYPE get_Sections() = 0;  // 29
  virtual HRESULT STDMETHODCALLTYPE get_Paragraphs() = 0;  // 30
  virtual HRESULT STDMETHODCALLTYPE get_Borders() = 0;  // 31
  virtual HRESULT STDMETHODCALLTYPE put_Borders() = 0;  // 32
  virtual HRESULT STDMETHODCALLTYPE get_Shading() = 0;  // 33
  virtual HRESULT STDMETHODCALLTYPE get_Fields() = 0;  // 34
  virtual HRESULT STDMETHODCALLTYPE get_FormFields() = 0;  // 35
  virtual HRESULT STDMETHODCALLTYPE get_Frames() = 0;  // 36
  virtual HRESULT STDMETHODCALLTYPE get_ParagraphFormat() = 0;  // 37
  virtual HRESULT STDMETHODCALLTYPE put_ParagraphFormat() = 0;  // 38
  virtual HRESULT STDMETHODCALLTYPE get_PageSetup() = 0;  // 39
  virtual HRESULT STDMETHODCALLTYPE put_PageSetup() = 0;  // 40
  virtual HRESULT STDMETHODCALLTYPE get_Bookmarks() = 0;  // 41
  virtual HRESULT STDMETHODCALLTYPE get_StoryLength() = 0;  // 42
  virtual HRESULT STDMETHODCALLTYPE get_LanguageID() = 0;  // 43
  virtual HRESULT STDMETHODCALLTYPE put_LanguageID() = 0;  // 44
  virtual HRESULT STDMETHODCALLTYPE get_LanguageIDFarEast() = 0;  // 45
  virtual HRESULT STDMETHODCALLTYPE put_LanguageIDFarEast() = 0;  // 46
  virtual HRESULT STDMETHODCALLTYPE get_LanguageIDOther() = 0;  // 47
  virtual HRESULT STDMETHODCALLTYPE put_LanguageIDOther() = 0;  // 48
  virtual HRESULT STDMETHODCALLTYPE get_Hyperlinks() = 0;  // 49
  virtual HRESULT STDMETHODCALLTYPE get_Columns() = 0;  // 50
  virtual HRESULT STDMETHODCALLTYPE get_Rows() = 0;  // 51
  virtual HRESULT STDMETHODCALLTYPE get_HeaderFooter() = 0;  // 52
  virtual HRESULT STDMETHODCALLTYPE get_IsEndOfRowMark() = 0;  // 53
  virtual HRESULT STDMETHODCALLTYPE get_BookmarkID() = 0;  // 54
  virtual HRESULT STDMETHODCALLTYPE get_PreviousBookmarkID() = 0;  // 55
  virtual HRESULT STDMETHODCALLTYPE get_Find() = 0;  // 56
  virtual HRESULT STDMETHODCALLTYPE get_Range(msword::Range** prop) = 0;  // 57
  virtual HRESULT STDMETHODCALLTYPE get_Information() = 0;  // 58
  virtual HRESULT STDMETHODCALLTYPE get_Flags() = 0;  // 59
  virtual HRESULT STDMETHODCALLTYPE put_Flags() = 0;  // 60
  virtual HRESULT STDMETHODCALLTYPE get_Active() = 0;  // 61
  virtual HRESULT STDMETHODCALLTYPE get_StartIsActive() = 0;  // 62
  virtual HRESULT STDMETHODCALLTYPE put_StartIsActive() = 0;  // 63
  virtual HRESULT STDMETHODCALLTYPE get_IPAtEndOfLine() = 0;  // 64
  virtual HRESULT STDMETHODCALLTYPE get_ExtendMode() = 0;  // 65
  virtual HRESULT STDMETHODCALLTYPE put_ExtendMode() = 0;  // 66
  virtual HRESULT STDMETHODCALLTYPE get_ColumnSelectMode() = 0;  // 67
  virtual HRESULT STDMETHODCALLTYPE put_ColumnSelectMode() = 0;  // 68
  virtual HRESULT STDMETHODCALLTYPE get_Orientation() = 0;  // 69
  virtual HRESULT STDMETHODCALLTYPE put_Orientation() = 0;  // 70
  virtual HRESULT STDMETHODCALLTYPE get_InlineShapes() = 0;  // 71
  virtual HRESULT STDMETHODCALLTYPE get_Application() = 0;  // 72
  virtual HRESULT STDMETHODCALLTYPE get_Creator() = 0;  // 73
  virtual HRESULT STDMETHODCALLTYPE get_Parent() = 0;  // 74
  virtual HRESULT STDMETHODCALLTYPE get_Document() = 0;  // 75
  virtual HRESULT STDMETHODCALLTYPE get_ShapeRange() = 0;  // 76
  virtual HRESULT STDMETHODCALLTYPE Select() = 0;  // 77
  virtual HRESULT STDMETHODCALLTYPE SetRange() = 0;  // 78
  virtual HRESULT STDMETHODCALLTYPE Collapse() = 0;  // 79
  virtual HRESULT STDMETHODCALLTYPE InsertBefore() = 0;  // 80
  virtual HRESULT STDMETHODCALLTYPE InsertAfter() = 0;  // 81
  virtual HRESULT STDMETHODCALLTYPE Next() = 0;  // 82
  virtual HRESULT STDMETHODCALLTYPE Previous() = 0;  // 83
  virtual HRESULT STDMETHODCALLTYPE StartOf() = 0;  // 84
  virtual HRESULT STDMETHODCALLTYPE EndOf() = 0;  // 85
  virtual HRESULT STDMETHODCALLTYPE Move() = 0;  // 86
  virtual HRESULT STDMETHODCALLTYPE MoveStart(VARIANT* Unit, VARIANT* Count, long* prop) = 0;  // 87
  virtual HRESULT STDMETHODCALLTYPE MoveEnd(VARIANT* Unit, VARIANT* Count, long* prop) = 0;  // 88
};

struct Range : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Text(BSTR* prop) = 0;  // 7
  virtual HRESULT STDMETHODCALLTYPE put_Text(BSTR prop) = 0;  // 8
  virtual HRESULT STDMETHODCALLTYPE get_FormattedText() = 0;  // 9
  virtual HRESULT STDMETHODCALLTYPE put_FormattedText() = 0;  // 10
  virtual HRESULT STDMETHODCALLTYPE get_Start(long* prop) = 0;  // 11
  virtual HRESULT STDMETHODCALLTYPE put_Start() = 0;  // 12
  virtual HRESULT STDMETHODCALLTYPE get_End(long* prop) = 0;  // 13
  virtual HRESULT STDMETHODCALLTYPE put_End() = 0;  // 14
  virtual HRESULT STDMETHODCALLTYPE get_Font() = 0;  // 15
  virtual HRESULT STDMETHODCALLTYPE put_Font() = 0;  // 16
  virtual HRESULT STDMETHODCALLTYPE get_Duplicate() = 0;  // 17
  virtual HRESULT STDMETHODCALLTYPE get_StoryType() = 0;  // 18
  virtual HRESULT STDMETHODCALLTYPE get_Tables() = 0;  // 19
  virtual HRESULT STDMETHODCALLTYPE get_Words() = 0;  // 20
  virtual HRESULT STDMETHODCALLTYPE get_Sentences() = 0;  // 21
  virtual HRESULT STDMETHODCALLTYPE get_Characters() = 0;  // 22
  virtual HRESULT STDMETHODCALLTYPE get_Footnotes() = 0;  // 23
  virtual HRESULT STDMETHODCALLTYPE get_Endnotes() = 0;  // 24
  virtual HRESULT STDMETHODCALLTYPE get_Comments() = 0;  // 25
  virtual HRESULT STDMETHODCALLTYPE get_Cells() = 0;  // 26
  virtual HRESULT STDMETHODCALLTYPE get_Sections() = 0;  // 27
  virtual HRESULT STDMETHODCALLTYPE get_Paragraphs() = 0;  // 28
  virtual HRESULT STDMETHODCALLTYPE get_Borders() = 0;  // 29
  virtual HRESULT STDMETHODCALLTYPE put_Borders() = 0;  // 30
  virtual HRESULT STDMETHODCALLTYPE get_Shading() = 0;  // 31
  virtual HRESULT STDMETHODCALLTYPE get_TextRetrievalMode() = 0;  // 32
  virtual HRESULT STDMETHODCALLTYPE put_TextRetrievalMode() = 0;  // 33
  virtual HRESULT STDMETHODCALLTYPE get_Fields() = 0;  // 34
  virtual HRESULT STDMETHODCALLTYPE get_FormFields() = 0;  // 35
  virtual HRESULT STDMETHODCALLTYPE get_Frames() = 0;  // 36
  virtual HRESULT STDMETHODCALLTYPE get_ParagraphFormat() = 0;  // 37
  virtual HRESULT STDMETHODCALLTYPE put_ParagraphFormat() = 0;  // 38
  virtual HRESULT STDMETHODCALLTYPE get_ListFormat() = 0;  // 39
  virtual HRESULT STDMETHODCALLTYPE get_Bookmarks() = 0;  // 40
  virtual HRESULT STDMETHODCALLTYPE get_Application() = 0;  // 41
  virtual HRESULT STDMETHODCALLTYPE get_Creator() = 0;  // 42
  virtual HRESULT STDMETHODCALLTYPE get_Parent() = 0;  // 43
  virtual HRESULT STDMETHODCALLTYPE get_Bold() = 0;  // 44
  virtual HRESULT STDMETHODCALLTYPE put_Bold() = 0;  // 45
  virtual HRESULT STDMETHODCALLTYPE get_Italic() = 0;  // 46
  virtual HRESULT STDMETHODCALLTYPE put_Italic() = 0;  // 47
  virtual HRESULT STDMETHODCALLTYPE get_Underline() = 0;  // 48
  virtual HRESULT STDMETHODCALLTYPE put_Underline() = 0;  // 49
  virtual HRESULT STDMETHODCALLTYPE get_EmphasisMark() = 0;  // 50
  virtual HRESULT STDMETHODCALLTYPE put_EmphasisMark() = 0;  // 51
  virtual HRESULT STDMETHODCALLTYPE get_DisableCharacterSpaceGrid() = 0;  // 52
  virtual HRESULT STDMETHODCALLTYPE put_DisableCharacterSpaceGrid() = 0;  // 53
  virtual HRESULT STDMETHODCALLTYPE get_Revisions() = 0;  // 54
  virtual HRESULT STDMETHODCALLTYPE get_Style() = 0;  // 55
  virtual HRESULT STDMETHODCALLTYPE put_Style() = 0;  // 56
  virtual HRESULT STDMETHODCALLTYPE get_StoryLength() = 0;  // 57
  virtual HRESULT STDMETHODCALLTYPE get_LanguageID() = 0;  // 58
  virtual HRESULT STDMETHODCALLTYPE put_LanguageID() = 0;  // 59
  virtual HRESULT STDMETHODCALLTYPE get_SynonymInfo() = 0;  // 60
  virtual HRESULT STDMETHODCALLTYPE get_Hyperlinks() = 0;  // 61
  virtual HRESULT STDMETHODCALLTYPE get_ListParagraphs() = 0;  // 62
  virtual HRESULT STDMETHODCALLTYPE get_Subdocuments() = 0;  // 63
  virtual HRESULT STDMETHODCALLTYPE get_GrammarChecked() = 0;  // 64
  virtual HRESULT STDMETHODCALLTYPE put_GrammarChecked() = 0;  // 65
  virtual HRESULT STDMETHODCALLTYPE get_SpellingChecked() = 0;  // 66
  virtual HRESULT STDMETHODCALLTYPE put_SpellingChecked() = 0;  // 67
  virtual HRESULT STDMETHODCALLTYPE get_HighlightColorIndex() = 0;  // 68
  virtual HRESULT STDMETHODCALLTYPE put_HighlightColorIndex() = 0;  // 69
  virtual HRESULT STDMETHODCALLTYPE get_Columns() = 0;  // 70
  virtual HRESULT STDMETHODCALLTYPE get_Rows() = 0;  // 71
  virtual HRESULT STDMETHODCALLTYPE get_CanEdit() = 0;  // 72
  virtual HRESULT STDMETHODCALLTYPE get_CanPaste() = 0;  // 73
  virtual HRESULT STDMETHODCALLTYPE get_IsEndOfRowMark() = 0;  // 74
  virtual HRESULT STDMETHODCALLTYPE get_BookmarkID() = 0;  // 75
  virtual HRESULT STDMETHODCALLTYPE get_PreviousBookmarkID() = 0;  // 76
  virtual HRESULT STDMETHODCALLTYPE get_Find() = 0;  // 77
  virtual HRESULT STDMETHODCALLTYPE get_PageSetup() = 0;  // 78
  virtual HRESULT STDMETHODCALLTYPE put_PageSetup() = 0;  // 79
  virtual HRESULT STDMETHODCALLTYPE get_ShapeRange() = 0;  // 80
  virtual HRESULT STDMETHODCALLTYPE get_Case() = 0;  // 81
  virtual HRESULT STDMETHODCALLTYPE put_Case() = 0;  // 82
  virtual HRESULT STDMETHODCALLTYPE get_Information() = 0;  // 83
  virtual HRESULT STDMETHODCALLTYPE get_ReadabilityStatistics() = 0;  // 84
  virtual HRESULT STDMETHODCALLTYPE get_GrammaticalErrors() = 0;  // 85
  virtual HRESULT STDMETHODCALLTYPE get_SpellingErrors() = 0;  // 86
  virtual HRESULT STDMETHODCALLTYPE get_Orientation() = 0;  // 87
  virtual HRESULT STDMETHODCALLTYPE put_Orientation() = 0;  // 88
  virtual HRESULT STDMETHODCALLTYPE get_InlineShapes() = 0;  // 89
  virtual HRESULT STDMETHODCALLTYPE get_NextStoryRange() = 0;  // 90
  virtual HRESULT STDMETHODCALLTYPE get_LanguageIDFarEast() = 0;  // 91
  virtual HRESULT STDMETHODCALLTYPE put_LanguageIDFarEast() = 0;  // 92
  virtual HRESULT STDMETHODCALLTYPE get_LanguageIDOther() = 0;  // 93
  virtual HRESULT STDMETHODCALLTYPE put_LanguageIDOther() = 0;  // 94
  virtual HRESULT STDMETHODCALLTYPE Select() = 0;  // 95
  virtual HRESULT STDMETHODCALLTYPE SetRange() = 0;  // 96
  virtual HRESULT STDMETHODCALLTYPE Collapse() = 0;  // 97
  virtual HRESULT STDMETHODCALLTYPE InsertBefore() = 0;  // 98
  virtual HRESULT STDMETHODCALLTYPE InsertAfter() = 0;  // 99
  virtual HRESULT STDMETHODCALLTYPE Next() = 0;  // 100
  virtual HRESULT STDMETHODCALLTYPE Previous() = 0;  // 101
  virtual HRESULT STDMETHODCALLTYPE StartOf() = 0;  // 102
  virtual HRESULT STDMETHODCALLTYPE EndOf() = 0;  // 103
  virtual HRESULT STDMETHODCALLTYPE Move() = 0;  // 104
  virtual HRESULT STDMETHODCALLTYPE MoveStart(VARIANT* Unit, VARIANT* Count, long* prop) = 0;  // 105
  virtual HRESULT STDMETHODCALLTYPE MoveEnd(VARIANT* Unit, VARIANT* Count, long* prop) = 0;  // 106
};

}  // namespace kst::msword

__CRT_UUID_DECL(kst::msword::_Document, 0x0002096B, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(kst::msword::Windows, 0x00020961, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(kst::msword::Window, 0x00020962, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(kst::msword::Selection, 0x00020975, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(kst::msword::Range, 0x0002095E, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
