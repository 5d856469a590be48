#include "kststd.h"

#include <richedit.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string_view>
#include <utility>
#include <vector>

#include "kstplugin.h"

namespace kst::kststd {
namespace {

constexpr char kDisplayName[] = "Standard edit controls plugin";

// A zero-filled heap buffer; std::vector frees it on every path.
using TBuffer = std::vector<char>;

// Blank as IsNonBlank judges a character: code 32 or below, taken unsigned.
// On the double-byte code pages no trail byte is that low, so bytes of an
// ANSI edit control that counts bytes are judged the same way.
bool IsBlankUnit(unsigned value) { return value <= 32; }

// Offsets within a line, as 64-bit values so that no answer overflows them.
int64_t OffsetIn(const TLineText& line, LONG position) { return static_cast<int64_t>(position) - line.Start; }

// What the line buffers of one range may take in all: a control that reports
// every line of a long range as huge costs a few of them, not thousands.
constexpr size_t kLineBufferBudget = size_t{64} << 20;

// At most `limit` characters of a window's text, wide or 8-bit.
template <typename Char>
std::basic_string<Char> WindowTextHead(HWND window, int64_t limit) {
  const auto send = sizeof(Char) == sizeof(wchar_t) ? SendMessageW : SendMessageA;
  const LRESULT length =
      std::clamp<LRESULT>(send(window, WM_GETTEXTLENGTH, 0, 0), 0, static_cast<LRESULT>(limit));
  std::basic_string<Char> text(static_cast<size_t>(length) + 1, Char{});
  const LRESULT copied = send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
  return text;
}

// The line's part of a window text, taken when it begins with what the
// control gave for the line before.
template <typename Text>
bool TakeLine(const Text& all, const TLineText& head, const Text& given, Text& line) {
  if (all.size() <= static_cast<size_t>(head.Start)) return false;
  Text taken = all.substr(static_cast<size_t>(head.Start), static_cast<size_t>(head.Reported));
  // The head's last character may be one cut in half.
  const size_t whole = given.empty() ? 0 : given.size() - 1;
  if (taken.compare(0, whole, given, 0, whole) != 0) return false;
  line = std::move(taken);
  return true;
}

}  // namespace

bool TLineText::IsBlankAt(LONG offset) const {
  return InBytes ? IsBlankUnit(static_cast<unsigned char>(Bytes[static_cast<size_t>(offset)]))
                 : IsBlankUnit(Chars[static_cast<size_t>(offset)]);
}

void TLineText::TrimToReported() {
  if (Length() <= Reported) return;
  if (InBytes)
    Bytes.resize(static_cast<size_t>(Reported));
  else
    Chars.resize(static_cast<size_t>(Reported));
}

std::string TLineText::Ansi(LONG from, LONG to) const {
  const LONG length = Length();
  from = std::clamp<LONG>(from, 0, length);
  to = std::clamp<LONG>(to, from, length);
  if (InBytes) return Bytes.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
  return WideToAnsi(Chars.data() + from, static_cast<size_t>(to - from));
}

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

bool TSelection::HoldsWideText(const char* buffer, size_t bufferSize, LONG charCount) {
  if (charCount <= 0 || bufferSize == 0) return false;
  const size_t count = static_cast<size_t>(charCount);
  const size_t examined = std::min(2 * static_cast<uint64_t>(count), static_cast<uint64_t>(bufferSize));
  // 8-bit text is a run of non-zero bytes with zeros after it, up to where
  // 16-bit text of `count` characters would end.
  const size_t length = strnlen(buffer, examined);
  if (std::any_of(buffer + length, buffer + examined, [](char c) { return c != 0; })) return true;
  if (length == count) return false;
  if (length < count) return true;  // a zero byte below the count
  // More bytes than characters: 8-bit only on a multibyte code page whose
  // characters they are.
  return AnsiToWide(buffer, length).size() != count;
}

void TSelection::WideBufferToAnsi(char* buffer, size_t bufferSize, LONG charCount) {
  if (!HoldsWideText(buffer, bufferSize, charCount)) return;
  std::wstring text(bufferSize / 2, L'\0');
  std::memcpy(text.data(), buffer, text.size() * sizeof(wchar_t));
  text.resize(wcsnlen(text.c_str(), text.size()));
  const std::string converted = WideToAnsi(text.data(), text.size());
  std::memset(buffer, 0, bufferSize);
  std::memcpy(buffer, converted.data(), std::min(converted.size(), bufferSize - 1));
}

void TSelection::TakeAnsiAnswer(TLineText& line, const char* buffer, size_t size, LONG copied) {
  line.Chars.clear();
  line.Bytes.clear();
  line.InBytes = false;
  if (copied <= 0) return;  // what the buffer holds is not the control's
  // 16-bit text holds as many characters as the control says it copied; a
  // control that counts what it meant to copy rather than the bytes it
  // wrote (Wine's translation of EM_GETLINE cuts a character that does not
  // fit) still gave 8-bit text.
  const size_t units = std::min<size_t>(static_cast<size_t>(copied), size / 2);
  const auto* wide = reinterpret_cast<const wchar_t*>(buffer);
  if (HoldsWideText(buffer, size, copied) && wcsnlen(wide, units) == static_cast<size_t>(copied)) {
    line.Chars.assign(wide, units);
    return;
  }
  std::string bytes(buffer, strnlen(buffer, std::min<size_t>(size, 2 * static_cast<size_t>(copied))));
  std::wstring chars = AnsiToWide(bytes.data(), bytes.size());
  // Which of the two the control counts shows where they differ.
  if (static_cast<int64_t>(bytes.size()) == line.Reported &&
      static_cast<int64_t>(chars.size()) != line.Reported) {
    line.InBytes = true;
    line.Bytes = std::move(bytes);
  } else {
    line.Chars = std::move(chars);
  }
}

bool TSelection::IsOnItsLine(LONG position) {
  const LONG line = LineFromChar(position);
  const LONG lineStart = SendForLong(EM_LINEINDEX, static_cast<WPARAM>(line), 0);
  const LONG lineLength = SendForLong(EM_LINELENGTH, static_cast<WPARAM>(lineStart), 0);
  // A range may end inside the line break, CR LF at most.
  return lineStart >= 0 && lineLength >= 0 && position >= lineStart &&
         static_cast<int64_t>(position) <= static_cast<int64_t>(lineStart) + lineLength + 2;
}

// Grows a caret (or a range within one line that reads as nothing, such as
// a line's CR alone) to the run of non-blank characters around it, the start
// first and then the end, one character at a time as far as the text that
// was read allows: never past the line, nor past what the control gave. The
// caret's line is read once and every step judged in memory.
void TSelection::GrowToRun() {
  if (FStart == -1 || FEnd == -1) return;  // an invalid range never grows
  const LONG number = LineFromChar(FStart);
  // A range that spans lines reads at least their line break, so it never
  // comes here but from a control whose lines run backwards: no step of it
  // could read as non-blank text.
  if (FStart != FEnd && LineFromChar(FEnd) != number) return;
  const LONG lineStart = SendForLong(EM_LINEINDEX, static_cast<WPARAM>(number), 0);
  const LONG lineLength = SendForLong(EM_LINELENGTH, static_cast<WPARAM>(lineStart), 0);
  const TLineText line = ReadLineText(number, lineStart, lineLength);
  if (!line.Complete()) FKnown = false;
  const int64_t start = OffsetIn(line, FStart), end = OffsetIn(line, FEnd);
  // A caret may stand inside the line break (CR LF), but no further.
  if (lineStart < 0 || start < 0 || start > static_cast<int64_t>(line.Length()) + 2) {
    FKnown = false;  // the caret is not where the control's text is
    if (FSelectionMoved) SelectRange();
    return;
  }
  LONG from = static_cast<LONG>(start);
  if (start > line.Length()) {
    // Inside the line break the first step back reads nothing, and the step
    // that would undo it lies past the line's end, which no step reaches.
    if (start - 1 <= line.Reported) --from;
  } else {
    while (from > 0 && !line.IsBlankAt(from - 1)) --from;
  }
  // The end grows only over text taken; an end in the line break stays.
  LONG to = static_cast<LONG>(end);
  if (end <= line.Length()) {
    while (to < line.Length() && !line.IsBlankAt(to)) ++to;
    // A step never leaves its line: a wrapped line's last position is the
    // next one's first.
    if (to > end && LineFromChar(lineStart + to) != number) --to;
  }
  const bool changed = lineStart + from != FStart || lineStart + to != FEnd;
  FStart = lineStart + from;
  FEnd = lineStart + to;
  if (changed || FSelectionMoved) SelectRange();
}

std::string TSelection::ReadSelection(size_t limit) {
  std::string text = ReadText(limit);
  if (!text.empty()) return text;
  GrowToRun();
  return ReadText(limit);
}

std::optional<std::string> TSelection::ReplaceSelection(const char* newText, size_t limit) {
  ReadSelection(kMaxCharBytes);  // selects the run at the caret, so that the run is replaced
  if (!FKnown || FStart == -1 || !IsOnItsLine(FStart) || !IsOnItsLine(FEnd)) return std::nullopt;
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
// at most that many characters; the buffer has room for them in either
// width and a NUL. A line the word cannot hold is read from the window text.
TLineText TEditSelection::ReadLineText(LONG line, LONG lineStart, LONG lineLength) {
  TLineText text;
  text.Start = lineStart;
  text.Reported = std::max<LONG>(lineLength, 0);
  if (lineLength <= 0) return text;
  const bool unicode = Unicode();
  // An ANSI window may give two bytes for each character it counts.
  const int64_t wanted = unicode ? lineLength : 2 * static_cast<int64_t>(lineLength);
  const WORD capacity = static_cast<WORD>(std::clamp<int64_t>(wanted, 2, kMaxLineCapacity));
  TBuffer buffer((static_cast<size_t>(capacity) + 1) * 2, '\0');
  std::memcpy(buffer.data(), &capacity, sizeof(capacity));
  const LONG copied = static_cast<LONG>(std::clamp<LRESULT>(
      unicode ? SendMessageW(FWindow, EM_GETLINE, static_cast<WPARAM>(line),
                             reinterpret_cast<LPARAM>(buffer.data()))
              : Send(EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(buffer.data())),
      0, capacity));
  if (unicode) {
    text.Chars.assign(reinterpret_cast<const wchar_t*>(buffer.data()), static_cast<size_t>(copied));
    text.Chars.resize(wcsnlen(text.Chars.c_str(), text.Chars.size()));
  } else {
    // One 8-bit character leaves the capacity word's high byte behind it.
    if (copied == 1 && static_cast<BYTE>(buffer[1]) == HIBYTE(capacity)) buffer[1] = '\0';
    TakeAnsiAnswer(text, buffer.data(), buffer.size(), copied);
  }
  if (copied == capacity && wanted > capacity && text.Length() < text.Reported)
    text = ReadFromWindowText(text);
  text.TrimToReported();
  return text;
}

// The line cut from the window text up to the line's end; the head that
// EM_GETLINE gave tells which units the control counts in, and stays what
// is known when the window text does not begin the line with it.
TLineText TEditSelection::ReadFromWindowText(const TLineText& head) {
  const int64_t lineEnd = static_cast<int64_t>(head.Start) + head.Reported;
  if (head.Start < 0 || lineEnd > kMaxWindowText) return head;
  TLineText text = head;
  bool taken = false;
  if (Unicode()) {
    taken = TakeLine(WindowTextHead<wchar_t>(FWindow, lineEnd), head, head.Chars, text.Chars);
  } else {
    // Two bytes for each character at most, one if the control counts bytes.
    const std::string all = WindowTextHead<char>(FWindow, 2 * lineEnd);
    taken = head.InBytes ? TakeLine(all, head, head.Bytes, text.Bytes)
                         : TakeLine(AnsiToWide(all.data(), all.size()), head, head.Chars, text.Chars);
  }
  return taken ? text : head;
}

std::string TEditSelection::ReadText(size_t limit) {
  std::string text;
  if (FStart == FEnd) return text;
  const LONG first = LineFromChar(FStart);
  const LONG last = LineFromChar(FEnd);
  size_t budget = kLineBufferBudget;
  // Every line after the first adds at least its CR LF, so the limit also
  // bounds how many lines are asked for.
  for (int64_t line = first; line <= last && text.size() < limit; ++line) {
    const LONG number = static_cast<LONG>(line);
    const LONG lineStart = SendForLong(EM_LINEINDEX, static_cast<WPARAM>(number), 0);
    const LONG lineLength = SendForLong(EM_LINELENGTH, static_cast<WPARAM>(lineStart), 0);
    const size_t cost = 4 * static_cast<size_t>(std::clamp<LONG>(lineLength, 0, kMaxLineCapacity)) + 4;
    if (cost > budget) {
      FKnown = false;
      break;
    }
    budget -= cost;
    const TLineText lineText = ReadLineText(number, lineStart, lineLength);
    if (!lineText.Complete()) FKnown = false;
    const int64_t from = line == first ? OffsetIn(lineText, FStart) : 0;
    if (from < 0) FKnown = false;
    // A range may end between a line's CR and LF: nothing past the line's
    // length is taken.
    const int64_t to =
        line == last ? std::min<int64_t>(OffsetIn(lineText, FEnd), lineText.Length()) : lineText.Length();
    if (line != first) text += "\r\n";
    if (to > from)
      text += lineText.Ansi(static_cast<LONG>(std::max<int64_t>(from, 0)), static_cast<LONG>(to));
  }
  return AnsiPrefix(std::move(text), limit);
}

// ---- rich edit controls ----

void TRichEditSelection::ReadRange() { Send(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&FStart)); }

void TRichEditSelection::SelectRange() { Send(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&FStart)); }

LONG TRichEditSelection::LineFromChar(LONG position) {
  return SendForLong(EM_EXLINEFROMCHAR, 0, static_cast<LPARAM>(position));
}

TLineText TRichEditSelection::ReadSelected(LONG start, LONG length) {
  TLineText text;
  text.Start = start;
  text.Reported = std::max<LONG>(length, 0);
  if (length <= 0) return text;
  TBuffer buffer((static_cast<size_t>(length) + 1) * 2, '\0');
  if (Unicode()) {
    SendMessageW(FWindow, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(buffer.data()));
    const auto* chars = reinterpret_cast<const wchar_t*>(buffer.data());
    text.Chars.assign(chars, wcsnlen(chars, static_cast<size_t>(length)));
  } else {
    Send(EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(buffer.data()));
    TakeAnsiAnswer(text, buffer.data(), buffer.size(), length);
  }
  return text;
}

// Selects start..start+length and reads what the control kept selected:
// it keeps a selection within its text. A control that reports keeping
// something else gives nothing.
TLineText TRichEditSelection::ReadAsSelection(LONG start, LONG length) {
  CHARRANGE wanted = {start,
                      static_cast<LONG>(std::min<int64_t>(INT32_MAX, static_cast<int64_t>(start) + length))};
  Send(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&wanted));
  FSelectionMoved = true;
  CHARRANGE kept = {-1, -1};
  Send(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&kept));
  const bool inside = kept.cpMin == start && kept.cpMax >= kept.cpMin && kept.cpMax <= wanted.cpMax;
  TLineText text = ReadSelected(start, inside ? std::min<LONG>(kept.cpMax - kept.cpMin, kMaxRichRange) : 0);
  text.Reported = length;
  text.TrimToReported();
  return text;
}

// The line is read as the control's selection, like every other range; the
// caller selects the grown range afterwards.
TLineText TRichEditSelection::ReadLineText(LONG /*line*/, LONG lineStart, LONG lineLength) {
  if (lineLength <= 0) {
    TLineText empty;
    empty.Start = lineStart;
    return empty;
  }
  return ReadAsSelection(lineStart, lineLength);
}

// Reads the control's selection, which growth has made equal to the range.
// Of a selection too long to hold, only the head is read, through a shorter
// selection; the range is selected again afterwards.
std::string TRichEditSelection::ReadText(size_t limit) {
  if (FEnd == FStart) return {};
  const int64_t length = static_cast<int64_t>(FEnd) - FStart;
  if (length <= kMaxRichRange)
    return AnsiPrefix(ReadSelected(FStart, static_cast<LONG>(length)).Ansi(), limit);
  // Every character gives at least one byte.
  const std::string head = ReadAsSelection(FStart, static_cast<LONG>(std::min(limit, kMaxText) + 1)).Ansi();
  SelectRange();
  return AnsiPrefix(head, limit);
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
    const std::optional<std::string> reread = selection->ReplaceSelection(text, length + kMaxCharBytes);
    if (reread && *reread == std::string_view(text, length)) result = 1;
    SendMessageA(window, EM_SCROLLCARET, 0, 0);
  });
}

}  // namespace kst::kststd
