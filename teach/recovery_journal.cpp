#include "teach/recovery_journal.h"

#include <array>
#include <cstdint>

namespace kestrom {
namespace {

const char kHeader[] = "Kestrom recovery 1\n";
constexpr size_t kMaxLengthDigits = 12;

uint32_t Crc32(char tag, const std::string& payload) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  auto feed = [&](unsigned char b) { crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8); };
  feed(static_cast<unsigned char>(tag));
  for (char c : payload) feed(static_cast<unsigned char>(c));
  return crc ^ 0xFFFFFFFFu;
}

}  // namespace

// <tag><length> <crc, 8 hex digits>\n<payload>\n
std::string journal::Encode(char tag, const std::string& payload) {
  static const char kHex[] = "0123456789abcdef";
  std::string r(1, tag);
  r += std::to_string(payload.size());
  r += ' ';
  const uint32_t crc = Crc32(tag, payload);
  for (int shift = 28; shift >= 0; shift -= 4) r += kHex[(crc >> shift) & 0xF];
  r += '\n';
  r += payload;
  r += '\n';
  return r;
}

namespace {
using namespace journal;

bool KnownTag(char c) {
  return c == kText || c == kAppend || c == kCut || c == kKeep || c == kSwap || c == kName || c == kSaved;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// One record at `at`; false when there is none whole and sound there.
bool ParseRecord(const std::string& b, size_t& at, char& tag, std::string& payload) {
  size_t i = at;
  if (i >= b.size() || !KnownTag(b[i])) return false;
  tag = b[i++];
  size_t length = 0, digits = 0;
  while (i < b.size() && b[i] >= '0' && b[i] <= '9') {
    if (++digits > kMaxLengthDigits) return false;
    length = length * 10 + static_cast<size_t>(b[i++] - '0');
  }
  if (digits == 0 || i >= b.size() || b[i++] != ' ') return false;
  uint32_t crc = 0;
  for (int k = 0; k < 8; ++k) {
    const int d = i < b.size() ? HexDigit(b[i]) : -1;
    if (d < 0) return false;
    crc = (crc << 4) | static_cast<uint32_t>(d);
    ++i;
  }
  if (i >= b.size() || b[i++] != '\n') return false;
  if (length > b.size() - i || b.size() - i - length < 1 || b[i + length] != '\n') return false;
  payload.assign(b, i, length);
  if (Crc32(tag, payload) != crc) return false;
  at = i + length + 1;
  return true;
}

}  // namespace

namespace journal {
std::string Header() { return kHeader; }
std::string Text(const std::string& text) { return Encode(kText, text); }
std::string Append(const std::string& piece) { return Encode(kAppend, piece); }
std::string Cut(size_t length) { return Encode(kCut, std::to_string(length)); }
std::string Keep() { return Encode(kKeep, ""); }
std::string Swap() { return Encode(kSwap, ""); }
std::string Name(const std::string& name) { return Encode(kName, name); }
std::string Saved() { return Encode(kSaved, ""); }

std::string Snapshot(const JournalState& state) {
  std::string s = Header();
  if (state.kept) s += Text(*state.kept) + Keep();
  s += Text(state.text) + Name(state.name);
  if (state.saved) s += Saved();
  return s;
}

void Apply(JournalState& state, char tag, const std::string& payload) {
  switch (tag) {
    case kText: state.text = payload; state.saved = false; break;
    case kAppend: state.text += payload; state.saved = false; break;
    case kCut: {
      size_t length = 0;
      for (char c : payload) length = length * 10 + static_cast<size_t>(c - '0');
      if (length < state.text.size()) state.text.resize(length);
      state.saved = false;
      break;
    }
    case kKeep: state.kept = state.text; break;
    case kSwap:
      if (state.kept) std::swap(state.text, *state.kept);
      state.saved = false;
      break;
    case kName: state.name = payload; break;
    case kSaved: state.saved = true; break;
    default: break;
  }
}
}  // namespace journal

ReadJournalResult ReadJournal(const std::string& bytes) {
  ReadJournalResult out;
  const std::string header = kHeader;
  if (bytes.compare(0, header.size(), header) != 0) {
    out.damaged = !bytes.empty();
    return out;
  }
  out.known = true;
  size_t at = header.size();
  char tag = 0;
  std::string payload;
  while (at < bytes.size()) {
    if (!ParseRecord(bytes, at, tag, payload)) {
      out.damaged = true;
      break;
    }
    if (tag == journal::kCut && (payload.empty() || payload.size() > kMaxLengthDigits ||
                       payload.find_first_not_of("0123456789") != std::string::npos)) {
      out.damaged = true;
      break;
    }
    journal::Apply(out.state, tag, payload);
    ++out.records;
  }
  return out;
}

size_t ProgramLineCount(const std::string& text) {
  size_t count = 0, line = 0, start = 0;
  while (start <= text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    if (line >= 2 && end > start) ++count;
    ++line;
    start = end + 2;
  }
  return count;
}

}  // namespace kestrom
