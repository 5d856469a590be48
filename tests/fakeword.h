// A stand-in for Word's automation objects: documents in the running object
// table whose windows, selections and ranges answer the members of Word's dual
// interfaces that the Word plugin uses, through their vtable slots and through
// IDispatch, over a small text model. Each window has a frame of its own (a
// top-level window whose title follows the window's caption) with a child of
// class "_WwG". Any member can be made to fail; every call to a slot the fake
// does not serve is recorded; references are counted so a test can tell
// whether everything handed out came back.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kst::test {

// Where Word's type library puts the members the plugin calls, counted
// member by member from its published listing (IUnknown and IDispatch take
// slots 0 to 6). The fake serves exactly these slots.
namespace wordslot {
constexpr int kDocumentWindows = 47;
constexpr int kDocumentRange = 178;
constexpr int kWindowsCount = 8;
constexpr int kWindowsItem = 12;
constexpr int kWindowDocument = 11;
constexpr int kWindowSelection = 13;
constexpr int kWindowCaptionGet = 26;
constexpr int kWindowCaptionPut = 27;
constexpr int kWindowActive = 53;
constexpr int kWindowScrollIntoView = 68;
constexpr int kWindowGetPoint = 69;
constexpr int kSelectionTextGet = 7;
constexpr int kSelectionTextPut = 8;
constexpr int kSelectionStart = 11;
constexpr int kSelectionEnd = 13;
constexpr int kSelectionRange = 57;
constexpr int kSelectionMoveStart = 87;
constexpr int kSelectionMoveEnd = 88;
constexpr int kRangeTextGet = 7;
constexpr int kRangeStart = 11;
constexpr int kRangeEnd = 13;
constexpr int kRangeMoveStart = 105;
constexpr int kRangeMoveEnd = 106;
}  // namespace wordslot

struct FakeWordState;

class FakeWord {
 public:
  FakeWord();
  ~FakeWord();
  FakeWord(const FakeWord&) = delete;
  FakeWord& operator=(const FakeWord&) = delete;

  int AddDocument(const std::wstring& text);
  // A window on the document, its frame titled with the caption.
  int AddWindow(int document, const std::wstring& caption, bool active, long selStart,
                long selEnd, POINT position = {120, 240});
  // Puts the documents into the running object table (file monikers).
  bool Register();
  void Revoke();

  // Makes calls to a member fail with E_FAIL: every call, or only the nth.
  // Members are named "Interface.Member", with ".get"/".put" for properties:
  // "Window.Caption.put", "Selection.MoveStart", "Document.Range", ...
  void Fail(const std::string& member, int nth = 0);
  int Calls(const std::string& member) const;

  // Takes the references held now as the ones that should remain.
  void Mark();
  // "" when every reference handed out since Mark has been released, or a
  // description of what is still held.
  std::string Leaks() const;
  // Calls to slots the fake does not serve, and arguments it did not expect.
  std::vector<std::string> Unexpected() const;

  HWND Frame(int window) const;
  HWND Editor(int window) const;
  void SetFrameTitle(int window, const std::wstring& title);
  std::wstring FrameTitle(int window) const;
  std::wstring Caption(int window) const;
  std::wstring Text(int document) const;
  long SelStart(int window) const;
  long SelEnd(int window) const;
  void Select(int window, long start, long end);

 private:
  std::unique_ptr<FakeWordState> state_;
};

}  // namespace kst::test
