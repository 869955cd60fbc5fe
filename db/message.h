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
