#include "db/message.h"

#include <ibase.h>

#include <cstring>

#include "db/error.h"
#include "db/textos.h"

namespace db::fb {
namespace {

using Firebird::IMessageMetadata;

// The longest blob written as a VARCHAR parameter (the longest VARCHAR, in bytes).
constexpr std::size_t kBlobEnMensaje = 32765;
// Character set NONE: the bytes reach the blob as they are.
constexpr unsigned kSinJuego = 0;

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

Value decode(IMessageMetadata* meta, unsigned i, const unsigned char* buffer,
             Firebird::IAttachment* att, Firebird::ITransaction* tra) {
  Status st;
  if (load<short>(buffer + meta->getNullOffset(st.get(), i)) != 0) return Value();
  const unsigned char* p = buffer + meta->getOffset(st.get(), i);
  unsigned type = meta->getType(st.get(), i) & ~1u;
  int scale = meta->getScale(st.get(), i);
  auto number = [scale](std::int64_t v) {
    return scale < 0 ? Value::fixed(v, scale) : Value::integer(v);
  };
  switch (type) {
    case SQL_TEXT:
      return Value::text(
          std::string(reinterpret_cast<const char*>(p), meta->getLength(st.get(), i)));
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
      throw ConversionError(textos::tipo_no_soportado(type));
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
    builder->setCharSet(st.get(), i, kSinJuego);
    builder->setLength(st.get(), i, cada);
    como_texto[i] = true;
  }
  return Ref<IMessageMetadata>(builder->getMetadata(st.get()));
}

InputMessage::InputMessage(IMessageMetadata* described, const std::vector<Value>& values,
                           Firebird::IAttachment* att, Firebird::ITransaction* tra) {
  Status st;
  unsigned n = described ? described->getCount(st.get()) : 0;
  if (n != values.size()) throw ClientError(textos::parametros(n, values.size()));
  if (n == 0) return;
  {
    Ref<Firebird::IMetadataBuilder> builder(described->getBuilder(st.get()));
    for (unsigned i = 0; i < n; ++i) {
      unsigned type = described->getType(st.get(), i) & ~1u;
      if (type == SQL_TEXT || type == SQL_VARYING) {
        builder->setType(st.get(), i, SQL_VARYING);
        builder->setLength(
            st.get(), i,
            static_cast<unsigned>(std::max<std::size_t>(values[i].as_text().size(), 1)));
      } else if (type == SQL_NULL) {
        builder->setType(st.get(), i, SQL_VARYING);
        builder->setLength(st.get(), i, 1);
      } else if (type == SQL_BLOB && !values[i].is_null() &&
                 values[i].as_text().size() <= kBlobEnMensaje) {
        // A short blob goes inside the message as bytes and the server creates it:
        // three round trips fewer than creating, writing and closing it from here.
        builder->setType(st.get(), i, SQL_VARYING);
        builder->setCharSet(st.get(), i, kSinJuego);
        builder->setLength(
            st.get(), i,
            static_cast<unsigned>(std::max<std::size_t>(values[i].as_text().size(), 1)));
      }
    }
    meta_ = Ref<IMessageMetadata>(builder->getMetadata(st.get()));
  }
  IMessageMetadata* m = meta_.get();
  buffer_.assign(m->getMessageLength(st.get()), 0);
  for (unsigned i = 0; i < n; ++i) {
    const Value& v = values[i];
    unsigned char* p = buffer_.data() + m->getOffset(st.get(), i);
    unsigned char* null_ind = buffer_.data() + m->getNullOffset(st.get(), i);
    if (v.is_null()) {
      store<short>(null_ind, -1);
      continue;
    }
    store<short>(null_ind, 0);
    unsigned type = m->getType(st.get(), i) & ~1u;
    int scale = m->getScale(st.get(), i);
    auto scaled = [&]() -> std::int64_t {
      return scale >= 0 ? v.as_integer() : to_scale(v, scale).units;
    };
    switch (type) {
      case SQL_VARYING: {
        std::string s = v.as_text();
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
        throw ConversionError(textos::tipo_no_soportado(type));
    }
  }
}

}  // namespace db::fb
