#include "db/message.h"

#include <ibase.h>

#include <algorithm>
#include <cstring>

#include "db/error.h"
#include "db/textos.h"

namespace db::fb {
namespace {

using Firebird::IMessageMetadata;

// The longest blob written as a VARCHAR parameter (the longest VARCHAR, in bytes).
constexpr std::size_t kBlobEnMensaje = 32765;
// The character set a blob travels in when it goes as a string inside a message: a
// text blob as NONE, its bytes as they are; any other blob as OCTETS, since the server
// turns a binary blob into text of another set by writing a dot for every byte that is
// not a printable character (00 FF 4D 31 would arrive as 2E 2E 4D 31).
constexpr unsigned kSinJuego = 0;
constexpr unsigned kOctetos = 1;
unsigned juego_de_blob(int sub_type) { return sub_type == isc_blob_text ? kSinJuego : kOctetos; }

template <typename T>
T load(const unsigned char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void store(unsigned char* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

Date decode_date(ISC_DATE d) {
  unsigned y, m, day;
  util()->decodeDate(d, &y, &m, &day);
  return Date{static_cast<int>(y), static_cast<int>(m), static_cast<int>(day)};
}

Time decode_time(ISC_TIME t) {
  unsigned h, mi, s, f;
  util()->decodeTime(t, &h, &mi, &s, &f);
  return Time{static_cast<int>(h), static_cast<int>(mi), static_cast<int>(s), static_cast<int>(f)};
}

ISC_DATE encode_date(Date d) {
  return util()->encodeDate(static_cast<unsigned>(d.year), static_cast<unsigned>(d.month),
                            static_cast<unsigned>(d.day));
}

ISC_TIME encode_time(Time t) {
  return util()->encodeTime(static_cast<unsigned>(t.hours), static_cast<unsigned>(t.minutes),
                            static_cast<unsigned>(t.seconds), static_cast<unsigned>(t.fraction));
}

std::string read_blob(ISC_QUAD id, Firebird::IAttachment* att, Firebird::ITransaction* tra) {
  Status st;
  std::string out;
  Ref<Firebird::IBlob> blob(att->openBlob(st.get(), tra, &id, 0, nullptr));
  char chunk[32768];
  for (;;) {
    unsigned got = 0;
    int rc = blob->getSegment(st.get(), sizeof chunk, chunk, &got);
    if (rc != Firebird::IStatus::RESULT_OK && rc != Firebird::IStatus::RESULT_SEGMENT) break;
    out.append(chunk, got);
  }
  blob->close(st.get());  // frees the interface
  blob.release_ownership();
  return out;
}

ISC_QUAD write_blob(const std::string& bytes, Firebird::IAttachment* att,
                    Firebird::ITransaction* tra) {
  Status st;
  ISC_QUAD id{};
  Ref<Firebird::IBlob> blob(att->createBlob(st.get(), tra, &id, 0, nullptr));
  constexpr std::size_t kSegment = 32768;
  for (std::size_t pos = 0; pos < bytes.size(); pos += kSegment) {
    std::size_t n = std::min(kSegment, bytes.size() - pos);
    blob->putSegment(st.get(), static_cast<unsigned>(n), bytes.data() + pos);
  }
  blob->close(st.get());
  blob.release_ownership();
  return id;
}

std::int64_t checked_range(std::int64_t v, std::int64_t lo, std::int64_t hi) {
  if (v < lo || v > hi) throw ConversionError(textos::fuera_de_rango(std::to_string(v)));
  return v;
}

Timestamp to_timestamp(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Timestamp:
      return v.timestamp_value();
    case Value::Kind::Date:
      return Timestamp{v.date_value(), Time{}};
    default: {
      std::string s = v.as_text();
      std::string_view sv(s);
      Timestamp ts{parse_date(sv.substr(0, std::min<std::size_t>(sv.size(), 10))), Time{}};
      if (sv.size() > 11) ts.time = parse_time(sv.substr(11));
      return ts;
    }
  }
}

Time to_time(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Time:
      return v.time_value();
    case Value::Kind::Timestamp:
      return v.timestamp_value().time;
    default:
      return parse_time(v.as_text());
  }
}

bool to_bool(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Boolean:
      return v.bool_value();
    case Value::Kind::Text: {
      std::string s = v.as_text();
      if (s == "true" || s == "TRUE" || s == "True") return true;
      if (s == "false" || s == "FALSE" || s == "False") return false;
      break;
    }
    default:
      break;
  }
  return v.as_integer() != 0;
}

}  // namespace

std::vector<Column> describe(IMessageMetadata* meta) {
  Status st;
  std::vector<Column> cols;
  unsigned n = meta->getCount(st.get());
  cols.reserve(n);
  for (unsigned i = 0; i < n; ++i) {
    Column c;
    const char* alias = meta->getAlias(st.get(), i);
    const char* field = meta->getField(st.get(), i);
    c.field = field ? field : "";
    c.name = (alias && *alias) ? alias : c.field;
    const char* rel = meta->getRelation(st.get(), i);
    c.relation = rel ? rel : "";
    c.sql_type = meta->getType(st.get(), i) & ~1u;
    c.scale = meta->getScale(st.get(), i);
    c.sub_type = meta->getSubType(st.get(), i);
    c.length = meta->getLength(st.get(), i);
    c.nullable = meta->isNullable(st.get(), i);
    cols.push_back(std::move(c));
  }
  return cols;
}

Disposicion disponer(Ref<IMessageMetadata> meta) {
  Disposicion d;
  if (!meta) return d;
  Status st;
  unsigned n = meta->getCount(st.get());
  d.campos.resize(n);
  for (unsigned i = 0; i < n; ++i) {
    Campo& c = d.campos[i];
    c.type = meta->getType(st.get(), i) & ~1u;
    c.scale = meta->getScale(st.get(), i);
    c.length = meta->getLength(st.get(), i);
    c.offset = meta->getOffset(st.get(), i);
    c.null_offset = meta->getNullOffset(st.get(), i);
  }
  d.largo = meta->getMessageLength(st.get());
  d.meta = std::move(meta);
  return d;
}

Value decode(const Campo& c, const unsigned char* buffer, Firebird::IAttachment* att,
             Firebird::ITransaction* tra) {
  if (load<short>(buffer + c.null_offset) != 0) return Value();
  const unsigned char* p = buffer + c.offset;
  const int scale = c.scale;
  auto number = [scale](std::int64_t v) {
    return scale < 0 ? Value::fixed(v, scale) : Value::integer(v);
  };
  switch (c.type) {
    case SQL_TEXT:
      return Value::text(std::string(reinterpret_cast<const char*>(p), c.length));
    case SQL_VARYING:
      return Value::text(
          std::string(reinterpret_cast<const char*>(p) + 2, load<unsigned short>(p)));
    case SQL_SHORT:
      return number(load<std::int16_t>(p));
    case SQL_LONG:
      return number(load<std::int32_t>(p));
    case SQL_INT64:
      return number(load<std::int64_t>(p));
    case SQL_FLOAT:
      return Value::floating(load<float>(p));
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      return Value::floating(load<double>(p));
    case SQL_TYPE_DATE:
      return Value::date(decode_date(load<ISC_DATE>(p)));
    case SQL_TYPE_TIME:
      return Value::time(decode_time(load<ISC_TIME>(p)));
    case SQL_TIMESTAMP: {
      auto ts = load<ISC_TIMESTAMP>(p);
      return Value::timestamp(
          Timestamp{decode_date(ts.timestamp_date), decode_time(ts.timestamp_time)});
    }
    case SQL_BLOB:
      return Value::blob(read_blob(load<ISC_QUAD>(p), att, tra));
    case SQL_BOOLEAN:
      return Value::boolean(*p != 0);
    case SQL_NULL:
      return Value();
    default:
      throw ConversionError(textos::tipo_no_soportado(c.type));
  }
}

Ref<IMessageMetadata> blobs_como_texto(IMessageMetadata* meta, std::vector<bool>& como_texto) {
  // A message takes at most 64 KiB; what is left is shared among the blob columns.
  constexpr unsigned kMensaje = 65000;
  constexpr unsigned kMinimo = 1024;
  Status st;
  unsigned n = meta->getCount(st.get());
  como_texto.assign(n, false);
  unsigned blobs = 0;
  for (unsigned i = 0; i < n; ++i)
    if ((meta->getType(st.get(), i) & ~1u) == SQL_BLOB) ++blobs;
  const unsigned largo = meta->getMessageLength(st.get());
  if (blobs == 0 || largo + blobs * (kMinimo + 4) > kMensaje) return {};
  const unsigned cada =
      std::min<unsigned>(static_cast<unsigned>(kBlobEnMensaje), (kMensaje - largo) / blobs - 4);
  Ref<Firebird::IMetadataBuilder> builder(meta->getBuilder(st.get()));
  for (unsigned i = 0; i < n; ++i) {
    if ((meta->getType(st.get(), i) & ~1u) != SQL_BLOB) continue;
    builder->setType(st.get(), i, SQL_VARYING | 1u);
    builder->setCharSet(st.get(), i, juego_de_blob(meta->getSubType(st.get(), i)));
    builder->setLength(st.get(), i, cada);
    como_texto[i] = true;
  }
  return Ref<IMessageMetadata>(builder->getMetadata(st.get()));
}

namespace {

bool es_texto(unsigned type) { return type == SQL_TEXT || type == SQL_VARYING || type == SQL_NULL; }

// The bytes a value takes as text or blob, without copying them when it is one.
std::size_t largo(const Value& v) {
  if (v.kind() == Value::Kind::Text || v.kind() == Value::Kind::Blob) return v.bytes().size();
  return v.as_text().size();
}

// Room given to a text parameter: the value's own length, at least the column's
// (so that the next values fit too) up to a bound that keeps messages small.
unsigned holgura(std::size_t necesita, unsigned columna) {
  constexpr unsigned kHolgura = 1024;
  return static_cast<unsigned>(std::max<std::size_t>({necesita, std::min(columna, kHolgura), 1}));
}

}  // namespace

Parametros::Parametros(Ref<IMessageMetadata> described) : described_(std::move(described)) {
  if (!described_) return;
  Status st;
  unsigned n = described_->getCount(st.get());
  tipos_.resize(n);
  for (unsigned i = 0; i < n; ++i) tipos_[i] = described_->getType(st.get(), i) & ~1u;
}

bool Parametros::cabe(const std::vector<Value>& values) const {
  if (capacidad_.size() != values.size()) return false;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const Value& v = values[i];
    if (v.is_null()) continue;
    if (es_texto(tipos_[i])) {
      if (largo(v) > capacidad_[i]) return false;
    } else if (tipos_[i] == SQL_BLOB && capacidad_[i] != kBlobAparte) {
      if (largo(v) > capacidad_[i]) return false;
    }
  }
  return true;
}

void Parametros::construir(const std::vector<Value>& values) {
  Status st;
  const unsigned n = static_cast<unsigned>(tipos_.size());
  std::vector<unsigned> capacidad(n, 0);
  Ref<Firebird::IMetadataBuilder> builder(described_->getBuilder(st.get()));
  for (unsigned i = 0; i < n; ++i) {
    const Value& v = values[i];
    const std::size_t necesita = v.is_null() ? 0 : largo(v);
    // What the metadata built before gave this parameter still serves.
    const unsigned antes = capacidad_.size() == n ? capacidad_[i] : 0;
    // A parameter that outgrew its room gets twice as much, not a rebuild per row.
    const std::size_t crece = antes == kBlobAparte ? 0 : std::size_t{antes} * 2;
    if (es_texto(tipos_[i])) {
      const unsigned columna = tipos_[i] == SQL_NULL ? 1u : described_->getLength(st.get(), i);
      capacidad[i] = necesita > antes ? holgura(std::max(necesita, crece), columna) : antes;
      builder->setType(st.get(), i, SQL_VARYING);
      builder->setLength(st.get(), i, capacidad[i]);
    } else if (tipos_[i] == SQL_BLOB) {
      if (necesita > kBlobEnMensaje || antes == kBlobAparte) {
        // Written as a blob of its own, as any longer one must be; a parameter that
        // once needed that keeps it (the round trips it costs beat a rebuild per row).
        capacidad[i] = kBlobAparte;
        continue;
      }
      // A short blob goes inside the message as bytes and the server creates it:
      // three round trips fewer than creating, writing and closing it from here.
      capacidad[i] = static_cast<unsigned>(std::min<std::size_t>(
          std::max<std::size_t>({necesita, necesita > antes ? crece : antes, 1024}),
          kBlobEnMensaje));
      builder->setType(st.get(), i, SQL_VARYING);
      builder->setCharSet(st.get(), i, juego_de_blob(described_->getSubType(st.get(), i)));
      builder->setLength(st.get(), i, capacidad[i]);
    }
  }
  actual_ = disponer(Ref<IMessageMetadata>(builder->getMetadata(st.get())));
  capacidad_ = std::move(capacidad);
  buffer_.assign(actual_.largo, 0);
}

void Parametros::poner(const std::vector<Value>& values, Firebird::IAttachment* att,
                       Firebird::ITransaction* tra) {
  if (tipos_.size() != values.size())
    throw ClientError(textos::parametros(tipos_.size(), values.size()));
  if (values.empty()) return;
  if (!cabe(values)) construir(values);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const Value& v = values[i];
    const Campo& c = actual_.campos[i];
    unsigned char* p = buffer_.data() + c.offset;
    unsigned char* null_ind = buffer_.data() + c.null_offset;
    if (v.is_null()) {
      store<short>(null_ind, -1);
      continue;
    }
    store<short>(null_ind, 0);
    auto scaled = [&]() -> std::int64_t {
      return c.scale >= 0 ? v.as_integer() : to_scale(v, c.scale).units;
    };
    switch (c.type) {
      case SQL_VARYING: {
        const bool propio = v.kind() == Value::Kind::Text || v.kind() == Value::Kind::Blob;
        std::string copia = propio ? std::string() : v.as_text();
        const std::string& s = propio ? v.bytes() : copia;
        store<unsigned short>(p, static_cast<unsigned short>(s.size()));
        std::memcpy(p + 2, s.data(), s.size());
        break;
      }
      case SQL_SHORT:
        store<std::int16_t>(
            p, static_cast<std::int16_t>(checked_range(scaled(), INT16_MIN, INT16_MAX)));
        break;
      case SQL_LONG:
        store<std::int32_t>(
            p, static_cast<std::int32_t>(checked_range(scaled(), INT32_MIN, INT32_MAX)));
        break;
      case SQL_INT64:
        store<std::int64_t>(p, scaled());
        break;
      case SQL_FLOAT:
        store<float>(p, static_cast<float>(v.as_double()));
        break;
      case SQL_DOUBLE:
      case SQL_D_FLOAT:
        store<double>(p, v.as_double());
        break;
      case SQL_TYPE_DATE:
        store<ISC_DATE>(p, encode_date(to_timestamp(v).date));
        break;
      case SQL_TYPE_TIME:
        store<ISC_TIME>(p, encode_time(to_time(v)));
        break;
      case SQL_TIMESTAMP: {
        Timestamp ts = to_timestamp(v);
        ISC_TIMESTAMP raw{encode_date(ts.date), encode_time(ts.time)};
        store<ISC_TIMESTAMP>(p, raw);
        break;
      }
      case SQL_BLOB:
        store<ISC_QUAD>(p, write_blob(v.as_text(), att, tra));
        break;
      case SQL_BOOLEAN:
        *p = to_bool(v) ? 1 : 0;
        break;
      default:
        throw ConversionError(textos::tipo_no_soportado(c.type));
    }
  }
}

Forma::Forma(Firebird::IStatement* stmt)
    : entrada([&] {
        Status st;
        return Ref<IMessageMetadata>(stmt->getInputMetadata(st.get()));
      }()) {
  Status st;
  type = stmt->getType(st.get());
  salida = disponer(Ref<IMessageMetadata>(stmt->getOutputMetadata(st.get())));
  if (type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd) {
    columnas = describe(salida.meta.get());
    salida_texto = disponer(blobs_como_texto(salida.meta.get(), como_texto));
  }
}

}  // namespace db::fb
