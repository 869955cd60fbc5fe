#pragma once
// Internal: reading values out of, and writing values into, Firebird message buffers
// laid out by IMessageMetadata.

#include <firebird/Interface.h>

#include <vector>

#include "db/column.h"
#include "db/fb.h"
#include "db/value.h"

namespace db::fb {

std::vector<Column> describe(Firebird::IMessageMetadata* meta);

// Decodes field `i` of `buffer`; blobs are read whole through `att`/`tra`.
Value decode(Firebird::IMessageMetadata* meta, unsigned i, const unsigned char* buffer,
             Firebird::IAttachment* att, Firebird::ITransaction* tra);

// Output metadata like `meta` except that blob columns arrive as VARCHAR, the server
// reading each blob into the row instead of the client opening and reading it (two
// round trips per blob and row); `como_texto` marks those columns. Empty when the
// result has no blob or the row leaves no room for them. A blob longer than its
// column fails the fetch as a string truncation (SQLSTATE 22001).
Ref<Firebird::IMessageMetadata> blobs_como_texto(Firebird::IMessageMetadata* meta,
                                                 std::vector<bool>& como_texto);

// An input message for a statement: metadata adapted to the values (text parameters
// take the length of their value, so the server itself reports a value too long for
// its column) and the buffer holding them.
class InputMessage {
 public:
  InputMessage(Firebird::IMessageMetadata* described, const std::vector<Value>& values,
               Firebird::IAttachment* att, Firebird::ITransaction* tra);
  Firebird::IMessageMetadata* metadata() const { return meta_.get(); }
  void* buffer() { return buffer_.empty() ? nullptr : buffer_.data(); }

 private:
  Ref<Firebird::IMessageMetadata> meta_;
  std::vector<unsigned char> buffer_;
};

}  // namespace db::fb
