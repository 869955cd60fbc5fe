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

// Where one field of a message lies and what it holds, read off the metadata once: a
// statement run again and again reads and writes its messages without asking.
struct Campo {
  unsigned type = 0;  // without the nullable bit
  int scale = 0;
  unsigned length = 0;
  unsigned offset = 0;
  unsigned null_offset = 0;
};

// A message layout: its metadata and each field's place.
struct Disposicion {
  Ref<Firebird::IMessageMetadata> meta;
  std::vector<Campo> campos;
  unsigned largo = 0;  // bytes of the whole message
};
Disposicion disponer(Ref<Firebird::IMessageMetadata> meta);

// Decodes one field of `buffer`; blobs are read whole through `att`/`tra`.
Value decode(const Campo& campo, const unsigned char* buffer, Firebird::IAttachment* att,
             Firebird::ITransaction* tra);

// Output metadata like `meta` except that blob columns arrive as VARCHAR, the server
// reading each blob into the row instead of the client opening and reading it (two
// round trips per blob and row); `como_texto` marks those columns. Empty when the
// result has no blob or the row leaves no room for them. A blob longer than its
// column fails the fetch as a string truncation (SQLSTATE 22001).
Ref<Firebird::IMessageMetadata> blobs_como_texto(Firebird::IMessageMetadata* meta,
                                                 std::vector<bool>& como_texto);

// The input message of one prepared statement, kept from one execution to the next.
// Text parameters travel as VARCHAR at least as long as their value (the server itself
// reports a value too long for its column, as it checks the value and not the room
// the message gives it); a short blob travels inside the message as bytes. The
// metadata is built again only when a value does not fit the one built before.
class Parametros {
 public:
  explicit Parametros(Ref<Firebird::IMessageMetadata> described);
  // Fills the message with `values` (blobs too long for the message are written
  // through `att`/`tra` first).
  void poner(const std::vector<Value>& values, Firebird::IAttachment* att,
             Firebird::ITransaction* tra);
  Firebird::IMessageMetadata* metadata() const { return actual_.meta.get(); }
  void* buffer() { return buffer_.empty() ? nullptr : buffer_.data(); }

 private:
  // What each parameter takes in the current metadata: bytes of text, or for a blob
  // bytes inside the message (kBlobAparte: written as a blob of its own).
  static constexpr unsigned kBlobAparte = ~0u;
  bool cabe(const std::vector<Value>& values) const;
  void construir(const std::vector<Value>& values);

  Ref<Firebird::IMessageMetadata> described_;
  std::vector<unsigned> tipos_;      // described type of each parameter
  std::vector<unsigned> capacidad_;  // empty until the first values
  Disposicion actual_;
  std::vector<unsigned char> buffer_;
};

// What the client needs to run one prepared statement again and again.
struct Forma {
  explicit Forma(Firebird::IStatement* stmt);
  unsigned type = 0;  // isc_info_sql_stmt_*
  Parametros entrada;
  Disposicion salida;
  std::vector<Column> columnas;  // of a result
  // For plain reads: blobs inside the rows (empty meta when the result has none).
  Disposicion salida_texto;
  std::vector<bool> como_texto;
  std::vector<unsigned char> fila;  // room for one fetched row
};

}  // namespace db::fb
