// finding_bytes.cpp - one streaming pass per file from lines and columns
// to byte offsets.
#include "check/finding_bytes.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>

#include "recordio/text_records.h"

namespace check {

namespace {

struct Wanted {
  std::size_t index;  // into the findings
  std::int64_t line;
  std::int32_t column;
};

constexpr std::uint64_t fnv1a_prime = 0x100000001b3u;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

class Placer {
 public:
  Placer(Findings& findings, std::vector<Wanted>& wanted, const FindingFile& file)
      : findings_(findings), wanted_(wanted), file_(file) {}

  void byte(unsigned char c) {
    place_whole_lines();
    if (c == '\n') {
      count_replaced(c);
      end_line(cr_run_ >= 0 ? cr_run_ : offset_, cr_run_ >= 0 ? cr_characters_ : characters_);
      ++line_;
      line_start_ = offset_ + 1;
      record_length_ = 0;
      characters_ = 0;
      cr_run_ = -1;
      ++offset_;
      return;
    }
    // Only a line with findings is hashed; CRs count once a byte follows
    // them, so that CR LF and LF line ends hash alike.
    if (line_first_ < wanted_.size() && wanted_[line_first_].line == line_ && c != '\r') {
      for (std::int64_t i = cr_run_ >= 0 ? cr_run_ : offset_; i < offset_; ++i) hash_byte('\r');
      hash_byte(c);
    }
    std::int64_t width = 1;
    if (file_.record_columns && c == '\r') width = 0;
    if (file_.record_columns && c == '\t' && file_.tab_width > 0) {
      // Only the length's remainder counts, which keeps a line past 2 GiB in range.
      width = recordio::blanks_to_tab_stop(
          static_cast<std::int32_t>(record_length_ % file_.tab_width), file_.tab_width);
    }
    // The byte whose columns cover the wanted one: the tab for a column
    // inside its blanks; a CR, which has none, for the column it stands
    // before (a finding about the CR is there).
    while (next_ < wanted_.size() && wanted_[next_].line == line_ &&
           wanted_[next_].column <= record_length_ + std::max<std::int64_t>(width, 1)) {
      place(offset_, characters_);
    }
    count_replaced(c);
    if (c == '\r') {
      if (cr_run_ < 0) {
        cr_run_ = offset_;
        cr_characters_ = characters_;
      }
    } else {
      cr_run_ = -1;
    }
    record_length_ += width;
    // A UTF-8 continuation byte adds no character.
    if ((c & 0xC0) != 0x80) ++characters_;
    ++offset_;
  }

  // The end of the file ends its last line, and stands for the line after it.
  void end_of_file() {
    place_whole_lines();
    end_line(offset_, characters_);
  }

 private:
  void hash_byte(unsigned char c) { line_hash_ = (line_hash_ ^ c) * fnv1a_prime; }
  void place(std::int64_t byte, std::int64_t characters) {
    Finding& finding = findings_[wanted_[next_].index];
    finding.bytes.offset = byte;
    finding.bytes.character_column = static_cast<std::int32_t>(
        std::min<std::int64_t>(characters + 1, std::numeric_limits<std::int32_t>::max()));
    if (finding.replacement && finding.replacement->length > 0)
      replaced_.push_back({wanted_[next_].index, byte + finding.replacement->length});
    ++next_;
  }
  // The bytes a replacement mends are counted as they pass, as the
  // characters before them are.
  void count_replaced(unsigned char c) {
    for (const Replaced& replaced : replaced_) {
      if (offset_ < replaced.end && (c & 0xC0) != 0x80)
        ++findings_[replaced.index].bytes.replaced_characters;
    }
    std::erase_if(replaced_, [&](const Replaced& replaced) { return offset_ + 1 >= replaced.end; });
  }
  void place_whole_lines() {
    while (next_ < wanted_.size() && wanted_[next_].line == line_ && wanted_[next_].column <= 0)
      place(line_start_, 0);
  }
  void end_line(std::int64_t byte, std::int64_t characters) {
    while (next_ < wanted_.size() && wanted_[next_].line == line_) place(byte, characters);
    for (; line_first_ < next_; ++line_first_)
      findings_[wanted_[line_first_].index].bytes.line_hash = line_hash_;
    line_hash_ = fnv1a_start;
  }

  struct Replaced {
    std::size_t index;  // into the findings
    std::int64_t end;   // the offset after its last byte
  };

  Findings& findings_;
  const std::vector<Wanted>& wanted_;
  std::vector<Replaced> replaced_;
  const FindingFile& file_;
  std::size_t next_ = 0;
  std::size_t line_first_ = 0;  // the first wanted place of the current line
  std::uint64_t line_hash_ = fnv1a_start;
  std::int64_t line_ = 1;
  std::int64_t offset_ = 0;
  std::int64_t line_start_ = 0;
  std::int64_t record_length_ = 0;
  std::int64_t characters_ = 0;
  std::int64_t cr_run_ = -1;  // the first of the CRs right before this byte
  std::int64_t cr_characters_ = 0;
};

void place_in_file(Findings& findings, std::vector<Wanted>& wanted, const FindingFile& file) {
  std::stable_sort(wanted.begin(), wanted.end(), [](const Wanted& a, const Wanted& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
  });
  struct stat status {};
  if (::stat(file.path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return;
  const std::unique_ptr<std::FILE, FileCloser> stream(std::fopen(file.path.c_str(), "rb"));
  if (!stream) return;
  Placer placer(findings, wanted, file);
  static char block[1 << 16];
  for (;;) {
    const std::size_t got = std::fread(block, 1, sizeof block, stream.get());
    for (std::size_t i = 0; i < got; ++i) placer.byte(static_cast<unsigned char>(block[i]));
    if (got < sizeof block) break;
  }
  // A read error leaves the findings after it unplaced rather than placed wrong.
  if (std::ferror(stream.get()) == 0) placer.end_of_file();
}

}  // namespace

std::uint64_t fnv1a(std::string_view bytes, std::uint64_t hash) {
  for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * fnv1a_prime;
  return hash;
}

void place_in_bytes(Findings& findings, const std::vector<FindingFile>& files) {
  for (const FindingFile& file : files) {
    std::vector<Wanted> wanted;
    for (std::size_t i = 0; i < findings.size(); ++i) {
      const Finding& finding = findings[i];
      if (finding.file == file.shown && finding.line > 0 && finding.bytes.offset < 0)
        wanted.push_back({i, finding.line, finding.column});
    }
    if (!wanted.empty()) place_in_file(findings, wanted, file);
  }
}

}  // namespace check
