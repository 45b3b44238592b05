// Reading a package in pieces: the check judges alike whatever the piece
// size and wherever the pieces start, the extractor's reading reads each
// byte once (aligned, each whole piece once), and a package that turns out
// shorter than measured ends as damaged where it ends.
#include "PieceReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PackageFormat.h"

using namespace Package;

namespace {

std::string File(const std::string& name, const std::string& data) {
  return EncodeFileRecordStart(name, int32_t(data.size())) + data;
}

const std::string longName = std::string(300, 'n') + ".txt";  // longer than several pieces

std::string Sample() {
  return EncodeHeader("demo.exe", "Demo 1.0", "Demo", 0) + EncodeDirectoryRecord("1.0") + File(longName, "abc") +
         File("demo.exe", std::string(1000, 'x')) + EncodeLeaveRecord();
}

// The bytes of a string, up to `available` of them; what it read, and how.
class TCountingSource : public TByteSource {
 public:
  TCountingSource(const std::string& bytes, size_t available) : bytes_(bytes), available_(available) {}
  size_t ReadAt(size_t offset, uint8_t* into, size_t count) override {
    ++Reads;
    Asked.emplace_back(offset, count);
    TMemorySource memory(reinterpret_cast<const uint8_t*>(bytes_.data()), available_);
    const size_t got = memory.ReadAt(offset, into, count);
    BytesRead += got;
    return got;
  }
  int Reads = 0;
  size_t BytesRead = 0;
  std::vector<std::pair<size_t, size_t>> Asked;  // offset and count of each read

 private:
  const std::string& bytes_;
  size_t available_;
};

// Replays the stream as the extractor reads it: records checked again, the
// data taken in pieces. Returns "ok" or the problem and where it is.
std::string Replay(TPieceReader& in, size_t from, std::string* data = nullptr) {
  in.Seek(from);
  TRecordCheck check;
  for (;;) {
    RecordInfo record;
    const TRecordCheck::Outcome outcome = check.Next(in, record);
    if (outcome == TRecordCheck::End) return "ok";
    if (outcome == TRecordCheck::Damaged) return DescribeProblem(check.Problem(), check.ProblemOffset());
    if (record.Kind != KindFile) continue;
    const bool whole = in.Take(size_t(record.DataSize), [&](const uint8_t* piece, size_t count) {
      if (data) data->append(reinterpret_cast<const char*>(piece), count);
    });
    if (!whole) return DescribeProblem(DataPastEndProblem(record.Name), record.DataOffset);
  }
}

const TPieceReader::TPieces bothWays[] = {TPieceReader::TPieces::FromCursor, TPieceReader::TPieces::Aligned};

}  // namespace

TEST(PieceReader, CheckJudgesAlikeWhateverThePieceSize) {
  const std::string sound = Sample();
  const std::string damaged = sound.substr(0, sound.size() - 10);  // demo.exe's data runs past the end
  for (const std::string& package : {sound, damaged}) {
    std::vector<std::string> wholeNames;
    const CheckResult whole = CheckPackage(reinterpret_cast<const uint8_t*>(package.data()), package.size(),
                                           [&](const RecordInfo& record) { wholeNames.push_back(record.Name); });
    for (size_t pieceSize : {size_t(4), size_t(5), size_t(64), size_t(1) << 20})
      for (TPieceReader::TPieces pieces : bothWays) {
        SCOPED_TRACE(std::to_string(pieceSize) + (pieces == TPieceReader::TPieces::Aligned ? " aligned" : ""));
        TCountingSource source(package, package.size());
        TPieceReader in(source, package.size(), pieceSize, pieces);
        std::vector<std::string> names;
        const CheckResult r = CheckPackage(in, [&](const RecordInfo& record) { names.push_back(record.Name); });
        EXPECT_EQ(r.Status, whole.Status);
        EXPECT_EQ(r.Problem, whole.Problem);
        EXPECT_EQ(r.ProblemOffset, whole.ProblemOffset);
        EXPECT_EQ(r.Head.Title, "Demo 1.0");
        EXPECT_EQ(names, wholeNames);
      }
  }
}

TEST(PieceReader, ExtractionReadsEachByteOnceInPiecesOfTheSizeGiven) {
  const std::string package = Sample();
  const size_t streamOffset = CheckPackage(reinterpret_cast<const uint8_t*>(package.data()), package.size()).Head.StreamOffset;
  TCountingSource source(package, package.size());
  TPieceReader in(source, package.size(), 64);
  std::string data;
  EXPECT_EQ(Replay(in, streamOffset, &data), "ok");
  EXPECT_EQ(data, "abc" + std::string(1000, 'x'));
  EXPECT_EQ(source.BytesRead, package.size() - streamOffset);
  EXPECT_EQ(source.Reads, int((package.size() - streamOffset + 63) / 64));
}

// Aligned, as a source that checks each piece as one block needs: every
// read is a whole piece at a multiple of its size, each read once, from
// the piece the first record is in to the end, whatever fields and data
// cross the pieces' ends.
TEST(PieceReader, AlignedExtractionReadsEachWholePieceOnce) {
  const std::string package = Sample();
  const size_t streamOffset = CheckPackage(reinterpret_cast<const uint8_t*>(package.data()), package.size()).Head.StreamOffset;
  for (size_t pieceSize : {size_t(4), size_t(5), size_t(7), size_t(64), size_t(1000)}) {
    SCOPED_TRACE(pieceSize);
    TCountingSource source(package, package.size());
    TPieceReader in(source, package.size(), pieceSize, TPieceReader::TPieces::Aligned);
    std::string data;
    EXPECT_EQ(Replay(in, streamOffset, &data), "ok");
    EXPECT_EQ(data, "abc" + std::string(1000, 'x'));
    size_t next = streamOffset - streamOffset % pieceSize;
    for (const auto& [offset, count] : source.Asked) {
      EXPECT_EQ(offset, next);
      EXPECT_EQ(count, std::min(pieceSize, package.size() - offset)) << "at " << offset;
      next = offset + count;
    }
    EXPECT_EQ(next, package.size());
  }
}

TEST(PieceReader, PackageCutAfterItWasMeasuredEndsWhereItEnds) {
  const std::string package = Sample();
  const size_t stream = 31, longRecord = stream + 5, demoRecord = longRecord + 1 + longName.size() + 1 + 4 + 3;
  const size_t demoData = demoRecord + 1 + 9 + 4;
  const struct {
    const char* what;
    size_t available;
    std::string problem;
  } cases[] = {
      {"at a record", demoRecord, "package cut short at byte offset " + std::to_string(demoRecord)},
      {"inside a name", longRecord + 100,
       "file record name without terminating zero byte at byte offset " + std::to_string(longRecord)},
      {"inside a size field", demoData - 2,
       "file record \"demo.exe\" ends inside its size field at byte offset " + std::to_string(demoData - 4)},
      {"inside the data", demoData + 500, DescribeProblem(DataPastEndProblem("demo.exe"), demoData)},
      {"before the last leave", package.size() - 1, "package cut short at byte offset " + std::to_string(package.size() - 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (size_t pieceSize : {size_t(4), size_t(5), size_t(64), size_t(1) << 20})
      for (TPieceReader::TPieces pieces : bothWays) {
        TCountingSource source(package, c.available);
        TPieceReader in(source, package.size(), pieceSize, pieces);
        EXPECT_EQ(Replay(in, stream), c.problem) << pieceSize << (pieces == TPieceReader::TPieces::Aligned ? " aligned" : "");
        EXPECT_TRUE(in.Shortened());
        EXPECT_LE(source.BytesRead, c.available);
      }
  }
}

// A string is read up to its limit and one byte more, never further: a name
// without its zero byte costs what the longest name costs, however large
// the package.
TEST(PieceReader, StringLongerThanItsLimitIsRefusedOnceKnown) {
  const size_t limit = 10;
  const struct {
    const char* what;
    std::string bytes;
    TPieceReader::StringOutcome outcome;
  } cases[] = {
      {"as long as the limit", std::string(limit, 'n') + '\0' + "next", TPieceReader::StringRead},
      {"empty", std::string("\0next", 5), TPieceReader::StringRead},
      {"one byte too long", std::string(limit + 1, 'n') + '\0', TPieceReader::StringTooLong},
      {"ended by the package", std::string(limit - 1, 'n'), TPieceReader::StringUnended},
      {"never ending", std::string(1 << 20, 'n'), TPieceReader::StringTooLong},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (size_t pieceSize : {size_t(4), size_t(5), size_t(64), size_t(1) << 20}) {
      SCOPED_TRACE(pieceSize);
      TCountingSource source(c.bytes, c.bytes.size());
      TPieceReader in(source, c.bytes.size(), pieceSize);
      std::string text;
      EXPECT_EQ(in.String(text, limit), c.outcome);
      if (c.outcome == TPieceReader::StringRead) {
        EXPECT_EQ(text, c.bytes.substr(0, c.bytes.find('\0')));
        EXPECT_EQ(in.Pos(), text.size() + 1);
      } else {
        EXPECT_EQ(in.Pos(), 0u);
      }
      EXPECT_LE(source.BytesRead, limit + 1 + std::max(pieceSize, Int32Size));
    }
  }
}
