// Standard edit controls plugin: reads and replaces the selection of single-
// and multi-line edit controls and of rich edit controls, recognised by how
// they answer edit messages, never by their class name.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "kstconvert.h"

namespace kst::kststd {

// At most this many 8-bit characters are handed back from a control.
constexpr size_t kMaxText = kMaxDeliveredText;
// The most bytes one character takes in an ANSI code page: a text cut to
// fewer may come out empty.
constexpr size_t kMaxCharBytes = 4;

// A rich edit selection longer than this is not read whole: EM_GETSELTEXT
// takes no capacity, so the buffer must hold the whole selection the control
// reports. Only its head is read, through a shorter selection.
constexpr LONG kMaxRichRange = 1 << 24;

// EM_GETLINE's capacity is a 16-bit word; longer lines are read from the
// window text. A window text longer than this is not read at all.
constexpr LONG kMaxLineCapacity = 0xFFFF;
constexpr LONG kMaxWindowText = 1 << 26;

// One line as the control gave it, in the units it counts positions in:
// UTF-16 units (Unicode windows, rich edit controls, and ANSI edit controls
// that count characters) or bytes (ANSI edit controls that count bytes on a
// multibyte code page).
struct TLineText {
  LONG Start = 0;     // the position of its first character
  LONG Reported = 0;  // the length the control reported for it
  bool InBytes = false;
  std::wstring Chars;  // the text, unless InBytes
  std::string Bytes;   // the text, if InBytes

  LONG Length() const { return static_cast<LONG>(InBytes ? Bytes.size() : Chars.size()); }
  // The control gave as much text as it said the line holds.
  bool Complete() const { return Length() == Reported; }
  bool IsBlankAt(LONG offset) const;
  // The text between two offsets, clamped to what was read, as ANSI text.
  std::string Ansi(LONG from, LONG to) const;
  std::string Ansi() const { return Ansi(0, Length()); }
  // Nothing past the line's reported length is ever taken.
  void TrimToReported();
};

// 0: not served (no lines, or a password field); 1: standard edit control;
// 2: rich edit control (it fills the CHARRANGE of EM_EXGETSEL).
int ClassifyEditWindow(HWND window);

// The selection of one control for the length of one plugin call.
class TSelection {
 public:
  virtual ~TSelection() = default;
  TSelection(const TSelection&) = delete;
  TSelection& operator=(const TSelection&) = delete;

  // The selected text (at most `limit` characters of it); an empty selection
  // first grows to the run of non-blank characters around the caret, which
  // is then left selected in the control.
  std::string ReadSelection(size_t limit);
  // Replaces the selection (or the run at the caret) with `newText` as an
  // undoable change, then reads the run around the new caret (at most
  // `limit` characters) and leaves it selected. Nothing when the range to
  // replace is not known for sure: then the control is left as it was.
  std::optional<std::string> ReplaceSelection(const char* newText, size_t limit);

  // Rewrites a zero-filled buffer into which a control copied `charCount`
  // characters as 8-bit text when the control wrote 16-bit ones; bytes past
  // `bufferSize` count as zeros, and nothing is read or written beyond it.
  static void WideBufferToAnsi(char* buffer, size_t bufferSize, LONG charCount);
  // Whether such a buffer holds 16-bit text. On a multibyte code page 8-bit
  // text of `charCount` characters may fill more than `charCount` bytes.
  static bool HoldsWideText(const char* buffer, size_t bufferSize, LONG charCount);

  HWND FWindow;
  // Kept adjacent and in this order: together they are the CHARRANGE that
  // EM_EXGETSEL and EM_EXSETSEL read and write in place. -1 marks an
  // invalid range.
  LONG FStart = -1;
  LONG FEnd = -1;
  // Cleared when the control answered something that does not fit its own
  // text (a range outside it, a line shorter than reported): the range is
  // then not replaced.
  bool FKnown = true;

 protected:
  // Reading a line moved the control's selection, which growth puts back.
  bool FSelectionMoved = false;

  explicit TSelection(HWND window) : FWindow(window) {}

  // Two-step construction, so that the range is read by the created class's
  // own ReadRange.
  template <typename T>
  static std::unique_ptr<TSelection> Create(HWND window);
  friend std::unique_ptr<TSelection> CreateSelection(HWND window);

  virtual void ReadRange() = 0;
  // Makes the control's selection equal to FStart..FEnd.
  virtual void SelectRange() = 0;
  // Text of the range, at most `limit` characters.
  virtual std::string ReadText(size_t limit) = 0;
  // Line holding a character position, by the class's own message.
  virtual LONG LineFromChar(LONG position) = 0;
  // The text of a whole line as ReadText reads the pieces of it, so that
  // any range within the line can be judged without asking the control.
  virtual TLineText ReadLineText(LONG line, LONG lineStart, LONG lineLength) = 0;

  // A Unicode window counts in UTF-16 units; the messages that copy text
  // are sent to it as wide ones, which lose nothing the code page lacks.
  bool Unicode() const { return IsWindowUnicode(FWindow) != FALSE; }
  // Fills the line from a zero-filled buffer that the control filled in
  // answer to an ANSI message, `copied` characters by its count.
  static void TakeAnsiAnswer(TLineText& line, const char* buffer, size_t size, LONG copied);
  // Whether a position lies on the line the control says holds it, the
  // line's break included.
  bool IsOnItsLine(LONG position);

  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendMessageA(FWindow, message, wParam, lParam);
  }
  LONG SendForLong(UINT message, WPARAM wParam, LPARAM lParam) const {
    return static_cast<LONG>(Send(message, wParam, lParam));
  }

 private:
  void GrowToRun();
};

class TEditSelection final : public TSelection {
 public:
  explicit TEditSelection(HWND window) : TSelection(window) {}

 protected:
  void ReadRange() override;
  void SelectRange() override;
  std::string ReadText(size_t limit) override;
  LONG LineFromChar(LONG position) override;
  TLineText ReadLineText(LONG line, LONG lineStart, LONG lineLength) override;

 private:
  TLineText ReadFromWindowText(const TLineText& head);
};

class TRichEditSelection final : public TSelection {
 public:
  explicit TRichEditSelection(HWND window) : TSelection(window) {}

 protected:
  void ReadRange() override;
  void SelectRange() override;
  std::string ReadText(size_t limit) override;
  LONG LineFromChar(LONG position) override;
  TLineText ReadLineText(LONG line, LONG lineStart, LONG lineLength) override;

 private:
  // The control's selection, `length` characters from `start`, read whole.
  TLineText ReadSelected(LONG start, LONG length);
  // Selects start..start+length first; what the control keeps of it is read.
  TLineText ReadAsSelection(LONG start, LONG length);
};

// A new selection object of the class the window calls for, its range read;
// null for a window that is not served.
std::unique_ptr<TSelection> CreateSelection(HWND window);

void WINAPI GetInfo(char* buffer);
int WINAPI CanHandle(HWND window);
int WINAPI GetText(HWND window, char* buffer, POINT* point);
int WINAPI SetText(HWND window, const char* text);

}  // namespace kst::kststd
