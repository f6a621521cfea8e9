#include "server/submission.h"

#include <openssl/evp.h>

#include "replay/playback.h"
#include "server/player_name.h"

namespace {

Judgement refused(int status, const std::string &error)
{
   Judgement judgement;
   judgement.status = status;
   judgement.error = error;
   return judgement;
}

}  // namespace

Judgement examineReplay(const Bytes &bytes, int64_t now)
{
   ReplayReading reading = decodeReplay(bytes.data(), bytes.size());
   if (reading.fault == ReplayFault::OtherFormat)
      return refused(422, describeFault(reading));
   if (reading.fault != ReplayFault::None)
      return refused(400, describeFault(reading));
   const Replay &replay = reading.replay;
   const std::string problem = nameProblem(replay.name);
   if (!problem.empty())
      return refused(400, "its name is not one people can read: " + problem);
   // A game's numbers are seeded with its start time's low 32 bits.
   if (replay.start.seed != uint32_t(replay.start.startTime))
      return refused(422, "its seed is not its start time's");
   if (replay.start.startTime < kEarliestStart || replay.start.startTime > now + kLatestStartAhead)
      return refused(422, "it claims to start at " + std::to_string(replay.start.startTime) +
                             ", before 2024 or more than a day after this server's clock");
   if (replay.ticks > kMaxTicks)
      return refused(422, "claims " + std::to_string(replay.ticks) +
                             " ticks, more than a day of play (" + std::to_string(kMaxTicks) + ")");
   Judgement examined;
   examined.replay = std::move(reading.replay);
   return examined;
}

void playAgain(Judgement &judgement, const std::string &rules)
{
   const Replay &replay = judgement.replay;
   std::string drift = verifyReplay(replay, &judgement.played);
   if (drift.empty())
      return;
   if (replay.gameVersion != rules)
      drift += " (recorded by tossaro " + replay.gameVersion + "; this server plays the rules of " +
               rules + ")";
   judgement.status = 422;
   judgement.error = drift;
}

Judgement judgeReplay(const Bytes &bytes, const std::string &rules, int64_t now)
{
   Judgement judgement = examineReplay(bytes, now);
   if (judgement.status == 0)
      playAgain(judgement, rules);
   return judgement;
}

std::string digestOf(const Bytes &bytes)
{
   unsigned char digest[EVP_MAX_MD_SIZE];
   unsigned length = 0;
   EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
   static const char hex[] = "0123456789abcdef";
   std::string text;
   for (unsigned k = 0; k < length; k++) {
      text += hex[digest[k] >> 4];
      text += hex[digest[k] & 15];
   }
   return text;
}

std::string playDigestOf(const Replay &replay)
{
   // The replay's own layout, with what is not play left out.
   Replay play = replay;
   play.name.clear();
   play.gameVersion.clear();
   play.start.startTime = 0;
   play.endedByGameOver = false;
   return digestOf(encodeReplay(play));
}
