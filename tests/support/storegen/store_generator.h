// Writes Outlook Express message stores (.dbx) from given mail texts, for tests, the demo and
// the benchmarks: each mail is cut into 528-byte message blocks chained by their stored
// offsets, the blocks are laid out in a chosen order, and named kinds of damage can be
// applied to the result. Independent of the engine; uses only the byte helpers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm::storegen {

enum class Layout {
  InOrder,      // each mail's blocks one after another, mails one after another
  Reversed,     // each mail's blocks in reverse file order (every chain runs backwards)
  Interleaved,  // the mails' blocks taken in turn: first blocks of all mails, then seconds...
  Spread,       // in order, with runs of garbage bytes between the blocks
  Shuffled,     // every block at a random place among all the others
};

struct StoreOptions {
  Layout layout = Layout::InOrder;
  std::uint32_t seed = 1;            // garbage bytes, gaps and the shuffled order
  std::uint64_t firstBlock = 60116;  // file offset of the first block; the header area before it
  std::uint32_t largestGap = 1500;   // spread layout: largest run of garbage between two blocks
  std::int64_t selfOffsetShift = 0;  // stored self offsets (and next offsets) = position + shift
};

struct PlacedBlock {
  std::uint64_t position = 0;
  std::uint32_t selfOffset = 0;
  std::uint32_t nextOffset = 0;
  std::uint32_t usedLength = 0;
};

struct StorePlan {
  std::vector<std::vector<PlacedBlock>> mails;  // each mail's blocks in chain order
  std::uint64_t size = 0;                       // the file's size
};

// Where every block of mails of the given text lengths (each at least 1) goes.
StorePlan planStore(const std::vector<std::size_t>& mailLengths, const StoreOptions& options);

// The bytes of the planned store, handed to `sink` piece by piece in file order, so that
// stores larger than memory can be written. `mailText(m)` gives the text of mail m.
using ByteSink = std::function<void(const std::uint8_t* data, std::size_t size)>;
void emitStore(const StorePlan& plan, const std::function<std::string(std::size_t)>& mailText,
               const StoreOptions& options, const ByteSink& sink);

struct GeneratedStore {
  std::vector<std::uint8_t> bytes;
  StorePlan plan;
};
GeneratedStore buildStore(const std::vector<std::string>& mails, const StoreOptions& options = {});

// Named damage, applied to a built store.
// The block is wiped (header and data turned to garbage): its chain is cut there.
void cutChainAt(GeneratedStore& store, std::size_t mail, std::size_t block);
// The block's next-block offset is set to the file's size: past the end.
void pointPastEnd(GeneratedStore& store, std::size_t mail, std::size_t block);
// The file ends after `length` bytes.
void truncateStore(GeneratedStore& store, std::uint64_t length);
// The file magic (bytes 0 to 3) or the kind identifier (bytes 4 to 7) is changed.
void breakMagic(GeneratedStore& store);
void setKind(GeneratedStore& store, std::uint32_t kind);

// A byte pattern that looks like a message block header: self offset, size 512, used length,
// next-block offset 0. Put inside a mail text it is found as a block of its own.
std::string blockLikePattern(std::uint32_t selfOffset, std::uint32_t usedLength);

// A bare block header at `position` of a byte buffer (grown as needed), for hand-made files.
void writeBlockHeader(std::vector<std::uint8_t>& bytes, std::uint64_t position, std::uint32_t selfOffset,
                      std::uint32_t usedLength, std::uint32_t nextOffset);

// A whole block with its text (at most 512 bytes) at `position`, in a buffer that starts
// with the message-store signature, for stores made block by block.
void writeBlock(std::vector<std::uint8_t>& bytes, std::uint64_t position, std::uint32_t selfOffset,
                std::uint32_t nextOffset, const std::string& text);

const char* layoutName(Layout layout);
bool parseLayout(const std::string& name, Layout& layout);

}  // namespace qm::storegen
