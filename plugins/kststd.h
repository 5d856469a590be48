// Standard edit controls plugin: reads and replaces the selection of single-
// and multi-line edit controls and of rich edit controls, recognised by how
// they answer edit messages, never by their class name.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

namespace kst::kststd {

// At most this many characters are handed back from a control.
constexpr size_t kMaxText = 32767;

// A rich edit selection longer than this is not read: EM_GETSELTEXT takes no
// capacity, so the buffer must hold the whole selection the control reports.
constexpr LONG kMaxRichRange = 1 << 24;

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
  // `limit` characters) and leaves it selected.
  std::string ReplaceSelection(const char* newText, size_t limit);

  // Rewrites a zero-filled buffer into which a control copied `charCount`
  // characters as 8-bit text when the control wrote 16-bit ones; bytes past
  // `bufferSize` count as zeros, and nothing is read or written beyond it.
  static void WideBufferToAnsi(char* buffer, size_t bufferSize, LONG charCount);

  HWND FWindow;
  // Kept adjacent and in this order: together they are the CHARRANGE that
  // EM_EXGETSEL and EM_EXSETSEL read and write in place. -1 marks an
  // invalid range.
  LONG FStart = -1;
  LONG FEnd = -1;

 protected:
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
  virtual std::string ReadLineText(LONG line, LONG lineStart, LONG lineLength) = 0;

  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendMessageA(FWindow, message, wParam, lParam);
  }
  LONG SendForLong(UINT message, WPARAM wParam, LPARAM lParam) const {
    return static_cast<LONG>(Send(message, wParam, lParam));
  }

 private:
  bool StepPosition(LONG& position, int delta);
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
  std::string ReadLineText(LONG line, LONG lineStart, LONG lineLength) override;
};

class TRichEditSelection final : public TSelection {
 public:
  explicit TRichEditSelection(HWND window) : TSelection(window) {}

 protected:
  void ReadRange() override;
  void SelectRange() override;
  std::string ReadText(size_t limit) override;
  LONG LineFromChar(LONG position) override;
  std::string ReadLineText(LONG line, LONG lineStart, LONG lineLength) override;
};

// A new selection object of the class the window calls for, its range read;
// null for a window that is not served.
std::unique_ptr<TSelection> CreateSelection(HWND window);

void WINAPI GetInfo(char* buffer);
int WINAPI CanHandle(HWND window);
int WINAPI GetText(HWND window, char* buffer, POINT* point);
int WINAPI SetText(HWND window, const char* text);

}  // namespace kst::kststd
