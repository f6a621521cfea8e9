#include "replay/replay_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "files/input_file.h"

namespace {

const unsigned char kMagic[4] = {'T', 'S', 'R', 'P'};
const unsigned kWithinTick = 1, kEndedByGameOver = 2;
// The smallest run: two bytes of actions and a one-byte length.
const size_t kSmallestRun = 3;
// A hand's positions lie within the field and a little beyond; a start
// outside these bounds comes from no game, and could overflow the hand's
// arithmetic.
const int32_t kHandReach = 100000;
const float kTiltReach = 16, kPowerReach = 6;

class Writer {
public:
   void bytes(const void *data, size_t n)
   {
      const auto *p = static_cast<const unsigned char *>(data);
      out.insert(out.end(), p, p + n);
   }
   void u8(unsigned v) { out.push_back((unsigned char)v); }
   void u16(unsigned v)
   {
      u8(v & 0xff);
      u8(v >> 8 & 0xff);
   }
   void u32(uint32_t v)
   {
      for (int k = 0; k < 4; k++)
         u8(v >> (8 * k) & 0xff);
   }
   void u64(uint64_t v)
   {
      u32(uint32_t(v));
      u32(uint32_t(v >> 32));
   }
   void f32(float v)
   {
      uint32_t bits;
      memcpy(&bits, &v, 4);
      u32(bits);
   }
   // Seven bits a byte, low first; the top bit says another follows.
   void varint(uint32_t v)
   {
      while (v >= 0x80) {
         u8((v & 0x7f) | 0x80);
         v >>= 7;
      }
      u8(v);
   }
   // A length byte, then the bytes (at most 255 of them).
   void text(const std::string &s)
   {
      const size_t n = s.size() < 255 ? s.size() : 255;
      u8(unsigned(n));
      bytes(s.data(), n);
   }
   void hand(const Hand &h)
   {
      for (int v : {h.x1, h.y1, h.x2, h.y2, h.centreX})
         u32(uint32_t(v));
      f32(h.tilt);
      u32(uint32_t(h.trackedBall));
      f32(h.power);
      u32(uint32_t(h.midX));
   }

   std::vector<unsigned char> out;
};

// Reads a file's bytes in order; the first fault stops every later read,
// which then gives zeros.
class Reader {
public:
   Reader(const unsigned char *bytes, size_t size, ReplayReading *reading)
       : p_(bytes), size_(size), stated_(size), end_(size), reading_(reading)
   {
   }

   bool ok() const { return reading_->fault == ReplayFault::None; }
   size_t at() const { return at_; }
   // The bytes left by the file's own length: what its counts may claim.
   size_t left() const { return stated_ > at_ ? stated_ - at_ : 0; }
   // How many items of `each` bytes the bytes really left can hold: all
   // that is reserved for a count, so that a file cut short, whatever its
   // counts, costs no more memory than its bytes.
   size_t room(size_t each) const { return (at_ < end_ ? end_ - at_ : 0) / each; }
   // The length the file states for itself; bytes past it are not read.
   void state(size_t length)
   {
      stated_ = length;
      end_ = length < size_ ? length : size_;
   }
   void part(const char *name) { part_ = name; }

   void fail(ReplayFault fault, size_t offset, uint64_t value = 0)
   {
      if (!ok())
         return;
      reading_->fault = fault;
      reading_->offset = offset;
      reading_->part = part_;
      reading_->value = value;
   }

   const unsigned char *take(size_t n)
   {
      if (!ok())
         return nullptr;
      if (at_ > end_ || n > end_ - at_) {
         // Past the file's end, it was cut; past its stated length, its
         // parts claim more than it says it holds.
         if (size_ < stated_)
            fail(ReplayFault::CutShort, size_, stated_);
         else
            fail(ReplayFault::ClaimsMore, at_, n);
         return nullptr;
      }
      const unsigned char *p = p_ + at_;
      at_ += n;
      return p;
   }
   uint64_t little(size_t n)
   {
      const unsigned char *p = take(n);
      uint64_t v = 0;
      for (size_t k = n; p && k-- > 0;)
         v = v << 8 | p[k];
      return v;
   }
   unsigned u8() { return unsigned(little(1)); }
   unsigned u16() { return unsigned(little(2)); }
   uint32_t u32() { return uint32_t(little(4)); }
   int32_t s32() { return int32_t(u32()); }
   uint64_t u64() { return little(8); }
   float f32()
   {
      const uint32_t bits = u32();
      float v;
      memcpy(&v, &bits, 4);
      return v;
   }
   uint32_t varint()
   {
      uint64_t v = 0;
      const size_t start = at_;
      for (int shift = 0; ok(); shift += 7) {
         const unsigned b = u8();
         v |= uint64_t(b & 0x7f) << shift;
         if (!(b & 0x80))
            break;
         // Five bytes hold 32 bits; a sixth means no length of ours.
         if (shift == 28)
            fail(ReplayFault::ClaimsMore, start, v);
      }
      if (v > UINT32_MAX)
         fail(ReplayFault::ClaimsMore, start, v);
      return uint32_t(v);
   }
   // A count of items of at least `each` bytes: refused when the bytes
   // left cannot hold them, so that nothing is reserved for them.
   uint32_t count(size_t each)
   {
      const size_t start = at_;
      const uint32_t n = u32();
      if (ok() && uint64_t(n) * each > left())
         fail(ReplayFault::ClaimsMore, start, n);
      return ok() ? n : 0;
   }
   std::string text()
   {
      const size_t start = at_;
      const unsigned n = u8();
      if (ok() && n > left())
         fail(ReplayFault::ClaimsMore, start, n);
      const unsigned char *p = take(n);
      return p ? std::string(reinterpret_cast<const char *>(p), n) : std::string();
   }
   Hand hand()
   {
      const size_t start = at_;
      Hand h = {};
      int *ints[] = {&h.x1, &h.y1, &h.x2, &h.y2, &h.centreX};
      for (int *v : ints)
         *v = s32();
      h.tilt = f32();
      h.trackedBall = s32();
      h.power = f32();
      h.midX = s32();
      bool sound = std::fabs(h.tilt) <= kTiltReach && h.power >= 0 && h.power <= kPowerReach &&
                   h.trackedBall >= -1 && h.trackedBall < 3;
      for (int v : {h.x1, h.y1, h.x2, h.y2, h.centreX, h.midX})
         sound = sound && v >= -kHandReach && v <= kHandReach;
      if (ok() && !sound)
         fail(ReplayFault::BadStart, start);
      return h;
   }

private:
   const unsigned char *p_;
   size_t size_;
   size_t stated_, end_;
   size_t at_ = 0;
   const char *part_ = "the header";
   ReplayReading *reading_;
};

}  // namespace

std::vector<unsigned char> encodeReplay(const Replay &replay)
{
   Writer w;
   w.bytes(kMagic, sizeof kMagic);
   w.u16(Replay::kFormat);
   const size_t lengthAt = w.out.size();
   w.u32(0);
   w.text(replay.gameVersion);
   w.u32(replay.start.seed);
   w.u64(uint64_t(replay.start.startTime));
   w.u32(replay.ticks);
   w.u32(uint32_t(replay.finalScore));
   w.u8((replay.start.withinTick ? kWithinTick : 0) |
        (replay.endedByGameOver ? kEndedByGameOver : 0));
   w.u16(replay.start.actions);
   w.hand(replay.start.left);
   w.hand(replay.start.right);
   w.text(replay.name);
   w.u32(uint32_t(replay.runs.size()));
   for (const ActionRun &run : replay.runs) {
      w.u16(run.actions);
      w.varint(run.ticks);
   }
   w.u32(uint32_t(replay.checks.size()));
   for (uint32_t check : replay.checks)
      w.u32(check);
   const uint32_t length = uint32_t(w.out.size());
   for (int k = 0; k < 4; k++)
      w.out[lengthAt + size_t(k)] = (unsigned char)(length >> (8 * k));
   return w.out;
}

ReplayReading decodeReplay(const unsigned char *bytes, size_t size)
{
   ReplayReading reading;
   Replay &replay = reading.replay;
   Reader r(bytes, size, &reading);
   if (size < sizeof kMagic || memcmp(bytes, kMagic, sizeof kMagic) != 0) {
      r.fail(ReplayFault::NotAReplay, 0);
      return reading;
   }
   r.take(sizeof kMagic);
   const unsigned format = r.u16();
   if (r.ok() && format != Replay::kFormat)
      r.fail(ReplayFault::OtherFormat, 4, format);
   const uint32_t length = r.u32();
   if (r.ok() && length > kMaxReplayFile)
      r.fail(ReplayFault::ClaimsMore, 6, length);
   r.state(length);
   replay.gameVersion = r.text();
   replay.start.seed = r.u32();
   replay.start.startTime = int64_t(r.u64());
   replay.ticks = r.u32();
   replay.finalScore = r.s32();
   const size_t flagsAt = r.at();
   const unsigned flags = r.u8();
   if (r.ok() && (flags & ~(kWithinTick | kEndedByGameOver)) != 0)
      r.fail(ReplayFault::BadStart, flagsAt, flags);
   replay.start.withinTick = (flags & kWithinTick) != 0;
   replay.endedByGameOver = (flags & kEndedByGameOver) != 0;
   replay.start.actions = ActionSet(r.u16());
   r.part("the hands");
   replay.start.left = r.hand();
   replay.start.right = r.hand();
   r.part("the name");
   replay.name = r.text();

   r.part("the runs of actions");
   const uint32_t runs = r.count(kSmallestRun);
   replay.runs.reserve(std::min<size_t>(runs, r.room(kSmallestRun)));
   uint64_t total = 0;
   for (uint32_t i = 0; i < runs && r.ok(); i++) {
      const ActionSet actions = ActionSet(r.u16());
      const uint32_t ticks = r.varint();
      if (!r.ok())
         break;
      replay.runs.push_back({actions, ticks});
      total += ticks;
   }
   if (r.ok() && total != replay.ticks)
      r.fail(ReplayFault::RunsDisagree, r.at(), total);

   r.part("the check values");
   const size_t checksAt = r.at();
   const uint32_t checks = r.count(4);
   if (r.ok() && checks != replay.ticks / Replay::kCheckEvery)
      r.fail(ReplayFault::ChecksDisagree, checksAt, checks);
   replay.checks.reserve(r.ok() ? std::min<size_t>(checks, r.room(4)) : 0);
   for (uint32_t i = 0; i < checks && r.ok(); i++) {
      const uint32_t check = r.u32();
      if (r.ok())
         replay.checks.push_back(check);
   }
   r.part("the end");
   if (r.ok() && r.at() < size)
      r.fail(ReplayFault::TrailingBytes, r.at(), size - r.at());
   return reading;
}

std::string describeFault(const ReplayReading &reading)
{
   const std::string at = std::to_string(reading.offset);
   const std::string value = std::to_string(reading.value);
   const std::string part = reading.part;
   switch (reading.fault) {
   case ReplayFault::None:
      return "";
   case ReplayFault::Unreadable:
      return "cannot be read";
   case ReplayFault::NotAReplay:
      return "not a replay file";
   case ReplayFault::OtherFormat:
      return "a replay of format version " + value + "; this game reads version " +
             std::to_string(Replay::kFormat);
   case ReplayFault::CutShort:
      return "cut short at byte " + at + " of " + value + " (in " + part + ")";
   case ReplayFault::ClaimsMore:
      return "claims more than it holds: " + value + " at byte " + at + " (in " + part + ")";
   case ReplayFault::RunsDisagree:
      return "its runs of actions add up to " + value + " ticks, not the " +
             std::to_string(reading.replay.ticks) + " it claims";
   case ReplayFault::ChecksDisagree:
      return "holds " + value + " check values for " + std::to_string(reading.replay.ticks) +
             " ticks (byte " + at + ")";
   case ReplayFault::BadStart:
      return "a start no game has at byte " + at + " (in " + part + ")";
   case ReplayFault::TrailingBytes:
      return value + (reading.value == 1 ? " byte" : " bytes") + " after its end at byte " + at;
   }
   return "";
}

ReplayReading readReplayFile(const std::string &path, std::string *problem)
{
   const InputFile file = read_input_file(path, kMaxReplayFile);
   if (!file.problem.empty()) {
      *problem = file.problem;
      ReplayReading reading;
      reading.fault = ReplayFault::Unreadable;
      return reading;
   }
   ReplayReading reading = decodeReplay(file.bytes.data(), file.bytes.size());
   *problem = reading.fault == ReplayFault::None ? "" : path + ": " + describeFault(reading);
   return reading;
}
