// The engine's one ID3v2 field set and the two ways its texts change: a new text for one field,
// and the release of all of them. Every text lives in a counted block.
#include "id3/id3v2_fields.h"

#include <cassert>
#include <cstring>

#include "core/counted_alloc.h"
#include "id3/id3v2_layout.h"

namespace tolvo::engine {
namespace {
Id3v2FieldSet fieldSet;  // empty at load: all sizes 0, no texts
}

Id3v2FieldSet& Id3v2Fields() { return fieldSet; }

void SetId3v2FieldText(Id3v2Field field, const char* text) {
  if (!text) text = "";
  Id3v2FieldValue& value = fieldSet[field];
  const size_t length = std::strlen(text);
  // The new block is filled before the old one goes, so text may point into the old block.
  char* block = static_cast<char*>(CountedAlloc(length + id3v2::kFieldTextSlack));
  if (block) std::memcpy(block, text, length);  // the block is zeroed: the text ends in zeros
  CountedFree(value.text);
  value.text = block;
}

void ReleaseId3v2Fields() {
  for (Id3v2FieldValue& value : fieldSet.fields) {
    CountedFree(value.text);
    value.text = nullptr;
    value.size = 0;
  }
  // With every field text gone no counted block may be left: one that is means a path of the
  // tag code kept a block. Checked in debug builds; a release build never stops its host.
  assert(LiveBlocks() == 0 && "a path of the tag code kept a counted block");
}

}  // namespace tolvo::engine
