#include "kststd.h"

#include <richedit.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "kstconvert.h"
#include "kstplugin.h"

namespace kst::kststd {
namespace {

constexpr char kDisplayName[] = "Standard edit controls plugin";

// A zero-filled heap buffer; std::vector frees it on every path.
using TBuffer = std::vector<char>;

// The buffer read as a NUL-terminated string, never past its end.
std::string BufferText(const TBuffer& buffer) {
  const auto end = std::find(buffer.begin(), buffer.end(), '\0');
  return std::string(buffer.begin(), end);
}

// Up to `count` characters of `text` from offset `from`; nothing when the
// count is not positive or `from` lies outside the text.
std::string Piece(const std::string& text, int64_t from, int64_t count) {
  if (count <= 0 || from < 0 || from >= static_cast<int64_t>(text.size())) return {};
  return text.substr(static_cast<size_t>(from), static_cast<size_t>(count));
}

// Blank as IsNonBlank judges a character: code 32 or below, taken unsigned.
bool IsBlankChar(char c) { return static_cast<unsigned char>(c) <= 32; }

// One line held in memory while a caret grows into a run: which ranges of it
// read as non-blank text, answered without asking the control again. Growth
// only judges ranges that hold the caret, so the run of non-blank characters
// around the caret answers every one of them.
class TLineRuns {
 public:
  TLineRuns(LONG lineStart, LONG lineLength, std::string text, LONG caret) : lineStart_(lineStart) {
    // Nothing past the line's length is ever read.
    text.resize(static_cast<size_t>(std::clamp<int64_t>(lineLength, 0, static_cast<int64_t>(text.size()))));
    const int64_t offset = static_cast<int64_t>(caret) - lineStart;
    const size_t at = static_cast<size_t>(std::clamp<int64_t>(offset, 0, static_cast<int64_t>(text.size())));
    runStart_ = at;
    while (runStart_ > 0 && !IsBlankChar(text[runStart_ - 1])) --runStart_;
    runEnd_ = at;
    while (runEnd_ < text.size() && !IsBlankChar(text[runEnd_])) ++runEnd_;
    size_ = text.size();
  }

  // Whether the text of start..end (a range holding the caret), read the way
  // ReadText reads a range within this line, is a non-empty string without
  // a blank character.
  bool IsNonBlank(LONG start, LONG end) const {
    const int64_t from = static_cast<int64_t>(start) - lineStart_;
    const int64_t to = std::min(static_cast<int64_t>(end) - lineStart_, static_cast<int64_t>(size_));
    return from < to && from >= static_cast<int64_t>(runStart_) && to <= static_cast<int64_t>(runEnd_);
  }

 private:
  LONG lineStart_;
  size_t size_, runStart_, runEnd_;  // offsets of the caret's run
};

std::string Truncated(std::string text, size_t limit) {
  if (text.size() > limit) text.resize(limit);
  return text;
}

// The text of a rich edit control's current selection, which the control
// reports as `length` characters long.
std::string ReadSelectedText(const TSelection& selection, int64_t length) {
  if (length <= 0) return {};
  if (length > kMaxRichRange) throw std::length_error("rich edit selection too long");
  TBuffer buffer((static_cast<size_t>(length) + 1) * 2, '\0');
  SendMessageA(selection.FWindow, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(buffer.data()));
  TSelection::WideBufferToAnsi(buffer.data(), buffer.size(), static_cast<LONG>(length));
  return BufferText(buffer);
}

}  // namespace

int ClassifyEditWindow(HWND window) {
  if (static_cast<LONG>(SendMessageA(window, EM_GETLINECOUNT, 0, 0)) < 1) return 0;
  if (GetWindowLongA(window, GWL_STYLE) & ES_PASSWORD) return 0;
  CHARRANGE range = {-1, -1};
  SendMessageA(window, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  return range.cpMin == -1 || range.cpMax == -1 ? 1 : 2;
}

template <typename T>
std::unique_ptr<TSelection> TSelection::Create(HWND window) {
  std::unique_ptr<TSelection> selection(new T(window));
  selection->ReadRange();
  if (selection->FEnd < selection->FStart) std::swap(selection->FStart, selection->FEnd);
  return selection;
}

std::unique_ptr<TSelection> CreateSelection(HWND window) {
  switch (ClassifyEditWindow(window)) {
    case 1:
      return TSelection::Create<TEditSelection>(window);
    case 2:
      return TSelection::Create<TRichEditSelection>(window);
    default:
      return nullptr;
  }
}

void TSelection::WideBufferToAnsi(char* buffer, size_t bufferSize, LONG charCount) {
  if (charCount <= 0 || bufferSize == 0) return;
  const size_t count = static_cast<size_t>(charCount);
  // 8-bit text fills exactly the first `count` bytes; anything else means
  // the control wrote 16-bit characters.
  bool wide = false;
  const size_t examined = std::min(2 * static_cast<uint64_t>(count), static_cast<uint64_t>(bufferSize));
  for (size_t i = 0; i < examined && !wide; ++i) wide = (buffer[i] == 0) == (i < count);
  if (!wide && bufferSize < count) wide = true;  // the zeros past the buffer lie below `count`
  if (!wide) return;

  std::wstring text(bufferSize / 2, L'\0');
  std::memcpy(text.data(), buffer, text.size() * sizeof(wchar_t));
  text.resize(wcsnlen(text.c_str(), text.size()));
  const std::string converted = WideToAnsi(text.data(), text.size());
  std::memset(buffer, 0, bufferSize);
  std::memcpy(buffer, converted.data(), std::min(converted.size(), bufferSize - 1));
}

// Moves one end of the range by one character, within its line: never to
// another line and never past the position just after the line's last
// character. The control's selection is set once growth has finished.
bool TSelection::StepPosition(LONG& position, int delta) {
  if (position == -1) return false;
  const int64_t target = static_cast<int64_t>(position) + delta;
  if (target < 0 || target > INT32_MAX) return false;
  const LONG line = LineFromChar(position);
  if (LineFromChar(static_cast<LONG>(target)) != line) return false;
  const LONG lineStart = SendForLong(EM_LINEINDEX, static_cast<WPARAM>(line), 0);
  const LONG lineLength = SendForLong(EM_LINELENGTH, static_cast<WPARAM>(lineStart), 0);
  if (target - lineStart > lineLength) return false;
  position = static_cast<LONG>(target);
  return true;
}

// Grows a caret (or a range within one line that reads as nothing, such as
// a line's CR alone), one character at a time, the start first and then the end,
// to the run of non-blank characters around it. The caret's line is read
// once and every step judged in memory, which keeps the cost linear in the
// length of the line rather than quadratic in the run.
void TSelection::GrowToRun() {
  // Each step is judged within the line of the range's start. A range that
  // spans lines reads at least their line break, so it never comes here
  // but from a control whose lines run backwards: no step of it could read
  // as non-blank text.
  if (FStart != FEnd && LineFromChar(FStart) != LineFromChar(FEnd)) return;
  const LONG caret = FStart;
  std::unique_ptr<TLineRuns> line;
  auto isNonBlank = [&] {
    if (!line) {
      const LONG number = LineFromChar(caret);
      const LONG lineStart = SendForLong(EM_LINEINDEX, static_cast<WPARAM>(number), 0);
      const LONG lineLength = SendForLong(EM_LINELENGTH, static_cast<WPARAM>(lineStart), 0);
      line = std::make_unique<TLineRuns>(lineStart, lineLength, ReadLineText(number, lineStart, lineLength),
                                         caret);
    }
    return line->IsNonBlank(FStart, FEnd);
  };
  bool stepped = false;
  while (StepPosition(FStart, -1)) {
    stepped = true;
    if (!isNonBlank()) {
      StepPosition(FStart, +1);
      break;
    }
  }
  while (StepPosition(FEnd, +1)) {
    stepped = true;
    if (!isNonBlank()) {
      StepPosition(FEnd, -1);
      break;
    }
  }
  if (stepped) SelectRange();
}

std::string TSelection::ReadSelection(size_t limit) {
  std::string text = ReadText(limit);
  if (!text.empty()) return text;
  GrowToRun();
  return ReadText(limit);
}

std::string TSelection::ReplaceSelection(const char* newText, size_t limit) {
  ReadSelection(1);  // selects the run at the caret, so that the run is replaced
  Send(EM_REPLACESEL, 1, reinterpret_cast<LPARAM>(newText));
  ReadRange();
  return ReadSelection(limit);
}

// ---- standard edit controls ----

void TEditSelection::ReadRange() {
  const LONG result =
      SendForLong(EM_GETSEL, reinterpret_cast<WPARAM>(&FStart), reinterpret_cast<LPARAM>(&FEnd));
  if (result == -1) FStart = FEnd = -1;
}

void TEditSelection::SelectRange() {
  Send(EM_SETSEL, static_cast<WPARAM>(FStart), static_cast<LPARAM>(FEnd));
}

LONG TEditSelection::LineFromChar(LONG position) {
  return SendForLong(EM_LINEFROMCHAR, static_cast<WPARAM>(position), 0);
}

// EM_GETLINE takes its capacity in the buffer's first 16-bit word and copies
// at most that many characters, 8-bit or 16-bit: the buffer has room for
// them in either width and a NUL, whatever length the control reported.
std::string TEditSelection::ReadLineText(LONG line, LONG /*lineStart*/, LONG lineLength) {
  const WORD capacity = LOWORD(lineLength > 1 ? lineLength : 2);
  TBuffer buffer((static_cast<size_t>(capacity) + 1) * 2, '\0');
  std::memcpy(buffer.data(), &capacity, sizeof(capacity));
  Send(EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(buffer.data()));
  WideBufferToAnsi(buffer.data(), buffer.size(), lineLength);
  return BufferText(buffer);
}

std::string TEditSelection::ReadText(size_t limit) {
  std::string text;
  if (FStart == FEnd) return text;
  const LONG first = LineFromChar(FStart);
  const LONG last = LineFromChar(FEnd);
  // Every line after the first adds at least its CR LF, so the limit also
  // bounds how many lines are asked for.
  for (int64_t line = first; line <= last && text.size() < limit; ++line) {
    const LONG number = static_cast<LONG>(line);
    const LONG lineStart = SendForLong(EM_LINEINDEX, static_cast<WPARAM>(number), 0);
    const LONG lineLength = SendForLong(EM_LINELENGTH, static_cast<WPARAM>(lineStart), 0);
    const std::string lineText = ReadLineText(number, lineStart, lineLength);
    const int64_t from = line == first ? static_cast<int64_t>(FStart) - lineStart : 0;
    // A range may end between a line's CR and LF: nothing past the line's
    // length is taken, which also keeps out the capacity word that a
    // control copying no character leaves in the buffer.
    const int64_t rest = static_cast<int64_t>(lineLength) - from;
    const int64_t count = line == last ? std::min(static_cast<int64_t>(FEnd) - lineStart - from, rest) : rest;
    if (line != first) text += "\r\n";
    text += Piece(lineText, from, count);
  }
  return Truncated(std::move(text), limit);
}

// ---- rich edit controls ----

void TRichEditSelection::ReadRange() { Send(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&FStart)); }

void TRichEditSelection::SelectRange() { Send(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&FStart)); }

LONG TRichEditSelection::LineFromChar(LONG position) {
  return SendForLong(EM_EXLINEFROMCHAR, 0, static_cast<LPARAM>(position));
}

// The line is read as the control's selection, like every other range; the
// caller selects the grown range afterwards.
std::string TRichEditSelection::ReadLineText(LONG /*line*/, LONG lineStart, LONG lineLength) {
  if (lineLength <= 0) return {};
  CHARRANGE whole = {lineStart, static_cast<LONG>(std::min<int64_t>(
                                    INT32_MAX, static_cast<int64_t>(lineStart) + lineLength))};
  Send(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&whole));
  return ReadSelectedText(*this, static_cast<int64_t>(whole.cpMax) - whole.cpMin);
}

// Reads the control's selection, which every step of growth has made equal
// to the range.
std::string TRichEditSelection::ReadText(size_t limit) {
  if (FEnd == FStart) return {};
  return Truncated(ReadSelectedText(*this, static_cast<int64_t>(FEnd) - FStart), limit);
}

// ---- the plugin functions ----

void WINAPI GetInfo(char* buffer) { lstrcpyA(buffer, kDisplayName); }

int WINAPI CanHandle(HWND window) {
  return PluginBoundary([&](int& result) { result = ClassifyEditWindow(window) != 0 ? 1 : 0; });
}

int WINAPI GetText(HWND window, char* buffer, POINT* point) {
  lstrcpyA(buffer, "");
  *point = {-2, -2};
  return PluginBoundary([&](int& result) {
    const std::unique_ptr<TSelection> selection = CreateSelection(window);
    if (!selection) return;
    const std::string text = selection->ReadSelection(kMaxText);
    lstrcpynA(buffer, text.c_str(), static_cast<int>(kMaxText + 1));
    result = 1;
    *point = {-1, -1};
    SendMessageA(window, EM_SCROLLCARET, 0, 0);
    GetCaretPos(point);
    ClientToScreen(window, point);
    AddCaptionHeight(*point);
  });
}

int WINAPI SetText(HWND window, const char* text) {
  return PluginBoundary([&](int& result) {
    if (!text) return;
    if (GetWindowLongA(window, GWL_STYLE) & ES_READONLY) return;
    const std::unique_ptr<TSelection> selection = CreateSelection(window);
    if (!selection) return;
    // One character more than the text is enough to tell a longer run.
    const size_t length = std::strlen(text);
    if (selection->ReplaceSelection(text, length + 1) == std::string_view(text, length)) result = 1;
    SendMessageA(window, EM_SCROLLCARET, 0, 0);
  });
}

}  // namespace kst::kststd
