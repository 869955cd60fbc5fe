#include "db/target_set.h"

#include <ibase.h>

#include <algorithm>

#include "db/connection.h"
#include "db/connection_impl.h"
#include "db/error.h"
#include "db/literals.h"
#include "db/message.h"
#include "db/rows.h"
#include "db/textos.h"
#include "db/vigia.h"

namespace db {
namespace {

std::string quote_ident(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::int64_t in_range(std::int64_t v, std::int64_t lo, std::int64_t hi) {
  if (v < lo || v > hi) throw ConversionError(textos::fuera_de_rango(std::to_string(v)));
  return v;
}

std::int64_t integer_limits_check(const Column& c, std::int64_t v) {
  switch (c.sql_type) {
    case SQL_SHORT:
      return in_range(v, INT16_MIN, INT16_MAX);
    case SQL_LONG:
      return in_range(v, INT32_MIN, INT32_MAX);
    default:
      return v;
  }
}

}  // namespace

Value convert_for(const Column& c, const Value& v) {
  if (v.is_null()) return v;
  using K = Value::Kind;
  if (c.is_integer()) return Value::integer(integer_limits_check(c, v.as_integer()));
  if (c.is_fixed()) {
    Decimal d = to_scale(v, c.scale);
    return Value::fixed(integer_limits_check(c, d.units), d.scale);
  }
  if (c.is_floating()) return Value::floating(v.as_double());
  if (c.is_text()) return v.kind() == K::Text ? v : Value::text(v.as_text());
  if (c.is_blob()) return v.kind() == K::Blob ? v : Value::blob(v.as_text());
  switch (c.sql_type) {
    case SQL_TYPE_DATE:
      if (v.kind() == K::Date) return v;
      if (v.kind() == K::Timestamp) return Value::date(v.timestamp_value().date);
      return Value::date(parse_date(v.as_text().substr(0, 10)));
    case SQL_TYPE_TIME:
      if (v.kind() == K::Time) return v;
      if (v.kind() == K::Timestamp) return Value::time(v.timestamp_value().time);
      return Value::time(parse_time(v.as_text()));
    case SQL_TIMESTAMP: {
      if (v.kind() == K::Timestamp) return v;
      if (v.kind() == K::Date) return Value::timestamp(Timestamp{v.date_value(), Time{}});
      std::string s = v.as_text();
      Timestamp ts{parse_date(s.substr(0, 10)), Time{}};
      if (s.size() > 11) ts.time = parse_time(s.substr(11));
      return Value::timestamp(ts);
    }
    case SQL_BOOLEAN:
      if (v.kind() == K::Boolean) return v;
      if (v.kind() == K::Text) {
        std::string s = v.as_text();
        if (s == "true" || s == "TRUE" || s == "True") return Value::boolean(true);
        if (s == "false" || s == "FALSE" || s == "False") return Value::boolean(false);
      }
      return Value::boolean(v.as_integer() != 0);
    default:
      return v;
  }
}

TargetSet::TargetSet(Connection* conn, std::vector<Column> columns,
                     std::vector<std::vector<Value>> rows)
    : conn_(conn), columns_(std::move(columns)) {
  rows_.reserve(rows.size());
  for (auto& r : rows) {
    Row row;
    row.current = r;
    row.original = std::move(r);
    row.assigned.assign(columns_.size(), false);
    rows_.push_back(std::move(row));
  }
  for (const Column& c : columns_)
    if (!c.read_only) {
      table_ = c.relation;
      break;
    }
}

TargetSet::TargetSet(TargetSet&&) noexcept = default;
TargetSet& TargetSet::operator=(TargetSet&&) noexcept = default;
TargetSet::~TargetSet() = default;

std::size_t TargetSet::column(std::string_view name) const {
  int i = find_column(columns_, name);
  if (i < 0) throw ClientError(textos::campo_no_encontrado(name));
  return static_cast<std::size_t>(i);
}

std::size_t TargetSet::size() const { return rows_.size() - deleted_; }

std::size_t TargetSet::physical(std::size_t row) const {
  // Without removed rows every row is where its number says (a copy row by row asks
  // for each of its rows).
  if (deleted_ == 0 && row < rows_.size()) return row;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].state == State::Deleted) continue;
    if (row-- == 0) return i;
  }
  throw ClientError(textos::indice_fuera_de_rango(row));
}

const Value& TargetSet::value(std::size_t row, std::size_t col) const {
  return rows_[physical(row)].current.at(col);
}

const Value& TargetSet::original(std::size_t row, std::size_t col) const {
  return rows_[physical(row)].original.at(col);
}

std::size_t TargetSet::append() {
  Row r;
  r.original.assign(columns_.size(), Value());
  r.current = r.original;
  r.assigned.assign(columns_.size(), false);
  r.state = State::Inserted;
  rows_.push_back(std::move(r));
  return size() - 1;
}

void TargetSet::set(std::size_t row, std::size_t col, const Value& v) {
  Row& r = rows_[physical(row)];
  const Column& c = columns_.at(col);
  Value converted;
  try {
    converted = convert_for(c, v);
  } catch (const ConversionError& e) {
    throw ConversionError(textos::en_campo(e.what(), c.name));
  }
  r.current[col] = std::move(converted);
  r.assigned[col] = true;
  if (r.state == State::Unchanged) r.state = State::Modified;
}

void TargetSet::post(std::size_t row) const {
  const Row& r = rows_[physical(row)];
  for (std::size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].required() && r.current[i].is_null())
      throw ClientError(textos::campo_requerido(columns_[i].name));
}

void TargetSet::remove(std::size_t row) {
  std::size_t p = physical(row);
  if (rows_[p].state == State::Inserted) {
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(p));
    return;
  }
  rows_[p].current = rows_[p].original;
  rows_[p].state = State::Deleted;
  ++deleted_;
}

bool TargetSet::has_changes() const {
  for (const Row& r : rows_)
    if (r.state != State::Unchanged) return true;
  return false;
}

void TargetSet::match_appended() {
  std::vector<std::size_t> llave;
  for (std::size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].key) llave.push_back(i);
  std::vector<Row> leidas, nuevas;
  for (Row& r : rows_) {
    if (r.state == State::Deleted) continue;
    (r.state == State::Inserted ? nuevas : leidas).push_back(std::move(r));
  }
  // Which appended row each row read takes (none: it goes).
  constexpr std::size_t kNinguna = static_cast<std::size_t>(-1);
  std::vector<std::size_t> pareja(leidas.size(), kNinguna);
  std::vector<bool> tomada(nuevas.size(), false);
  auto iguales = [&](const Row& leida, const Row& nueva) {
    if (!llave.empty()) {
      for (std::size_t c : llave)
        if (leida.current[c] != nueva.current[c]) return false;
      return true;
    }
    for (std::size_t c = 0; c < columns_.size(); ++c)
      if (nueva.assigned[c] && !columns_[c].read_only && leida.current[c] != nueva.current[c])
        return false;
    return true;
  };
  for (std::size_t n = 0; n < nuevas.size(); ++n)
    for (std::size_t l = 0; l < leidas.size(); ++l)
      if (pareja[l] == kNinguna && iguales(leidas[l], nuevas[n])) {
        pareja[l] = n;
        tomada[n] = true;
        break;
      }
  // A delete finds its row by the values of the columns that are not blobs: a row kept
  // that holds those values too (rows that differ in a blob only) would be deleted with
  // it, so it is written again instead.
  auto misma_ubicacion = [&](const Row& a, const Row& b) {
    for (std::size_t c = 0; c < columns_.size(); ++c)
      if (!columns_[c].read_only && !columns_[c].is_blob() && a.original[c] != b.original[c])
        return false;
    return true;
  };
  if (llave.empty())
    for (std::size_t d = 0; d < leidas.size(); ++d) {
      if (pareja[d] != kNinguna) continue;
      for (std::size_t l = 0; l < leidas.size(); ++l)
        if (pareja[l] != kNinguna && misma_ubicacion(leidas[l], leidas[d])) {
          tomada[pareja[l]] = false;
          pareja[l] = kNinguna;
        }
    }
  rows_.clear();
  deleted_ = 0;
  for (std::size_t l = 0; l < leidas.size(); ++l) {
    Row& r = leidas[l];
    if (pareja[l] == kNinguna) {
      r.current = r.original;
      r.state = State::Deleted;
      ++deleted_;
    } else if (!llave.empty()) {
      const Row& n = nuevas[pareja[l]];
      for (std::size_t c = 0; c < columns_.size(); ++c) {
        if (!n.assigned[c] || columns_[c].read_only || r.current[c] == n.current[c]) continue;
        r.current[c] = n.current[c];
        r.assigned[c] = true;
        r.state = State::Modified;
      }
    }
    rows_.push_back(std::move(r));
  }
  for (std::size_t n = 0; n < nuevas.size(); ++n)
    if (!tomada[n]) rows_.push_back(std::move(nuevas[n]));
}

int TargetSet::apply(ApplyErrorSink& sink, const std::vector<std::string>& antes) {
  if (!has_changes() && antes.empty()) return 0;
  for (std::size_t i = 0, live = 0; i < rows_.size(); ++i) {
    if (rows_[i].state == State::Deleted) continue;
    if (rows_[i].state != State::Unchanged) post(live);
    ++live;
  }
  return apply_rows(sink, antes);
}

int TargetSet::apply_rows(ApplyErrorSink& sink, const std::vector<std::string>& antes) {
  if (table_.empty()) throw ClientError(textos::sin_tabla());
  conn_->ensure_connected();
  Connection::Impl& impl = *conn_->impl_;
  Firebird::IAttachment* att = impl.att.get();
  const std::string table = quote_ident(table_);

  auto locate = [&](const Row& r, std::string& sql, std::vector<Value>& params) {
    bool located = false;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      const Column& c = columns_[i];
      if (c.read_only || c.is_blob()) continue;
      sql += (located ? " AND " : " WHERE ") + quote_ident(c.field);
      if (r.original[i].is_null()) {
        sql += " IS NULL";
      } else {
        sql += " = ?";
        params.push_back(r.original[i]);
      }
      located = true;
    }
    // Without a column to find it by, the statement would reach every row of the table.
    if (!located) throw ClientError(textos::sin_ubicacion(table_));
  };

  // A single insert is one statement, which needs no transaction of its own: the
  // connection's autocommit transaction commits it, or undoes it when it fails, alone.
  // Anything else may find its row more than once after the statement ran, so it runs
  // in a transaction that rolls back.
  std::size_t changed = 0, inserted = 0;
  for (const Row& r : rows_) {
    changed += r.state != State::Unchanged;
    inserted += r.state == State::Inserted;
  }
  const bool single_insert = changed == 1 && inserted == 1 && antes.empty();
  try {
    // Inside the try: the watch ends before a lost attachment is let go below.
    fb::Turno turno(att, impl.bound);
    fb::Transaction own = single_insert ? fb::Transaction() : impl.begin(conn_->stats_);
    Firebird::ITransaction* tx = single_insert ? impl.writing(conn_->stats_) : own.get();
    // Runs one statement of the apply and, when `contar`, asks how many rows it changed;
    // a statement the server refused is prepared afresh the next time.
    auto ejecutar = [&](const std::string& sql, const std::vector<Value>& params,
                        bool contar) -> std::uint64_t {
      try {
        fb::Status st;
        Connection::Impl::Preparada& pr = impl.prepared(tx, sql, conn_->stats_);
        pr.forma.entrada.poner(params, att, tx);
        ++conn_->stats_.executes;
        pr.stmt->execute(st.get(), tx, pr.forma.entrada.metadata(), pr.forma.entrada.buffer(),
                         nullptr, nullptr);
        return contar ? pr.stmt->getAffectedRecords(st.get()) : 0;
      } catch (const Firebird::FbException& e) {
        impl.forget(sql);
        fb::rethrow(e);
      }
    };
    for (const std::string& sql : antes) {
      Parameterized p = parameterize(sql, {});
      ejecutar(p.sql, p.params, false);
    }
    // Deletes first (a row that goes makes room for one that comes with its key),
    // then updates, then inserts. Rows removed together that hold the same values are
    // deleted by one statement that must find them all.
    std::vector<std::pair<std::string, std::vector<Value>>> borrados;
    std::vector<std::uint64_t> cuantos;
    for (const Row& r : rows_) {
      if (r.state != State::Deleted) continue;
      std::string sql = "DELETE FROM " + table;
      std::vector<Value> params;
      locate(r, sql, params);
      auto it = std::find(borrados.begin(), borrados.end(), std::pair{sql, params});
      if (it != borrados.end()) {
        ++cuantos[static_cast<std::size_t>(it - borrados.begin())];
        continue;
      }
      borrados.emplace_back(std::move(sql), std::move(params));
      cuantos.push_back(1);
    }
    auto exige = [&](std::uint64_t affected, std::uint64_t esperadas) {
      if (affected != esperadas)
        throw Error(
            affected < esperadas ? textos::fila_no_encontrada() : textos::fila_repetida(table_), 0);
    };
    for (std::size_t i = 0; i < borrados.size(); ++i)
      exige(ejecutar(borrados[i].first, borrados[i].second, true), cuantos[i]);
    for (State paso : {State::Modified, State::Inserted}) {
      for (Row& r : rows_) {
        if (r.state != paso) continue;
        std::vector<Value> params;
        if (r.state == State::Inserted) {
          std::vector<bool> written(columns_.size());
          for (std::size_t i = 0; i < columns_.size(); ++i) {
            written[i] = r.assigned[i] && !columns_[i].read_only;
            if (written[i]) params.push_back(r.current[i]);
          }
          if (insert_sql_.empty() || written != insert_columns_) {
            std::string names, marks;
            for (std::size_t i = 0; i < columns_.size(); ++i) {
              if (!written[i]) continue;
              names += (names.empty() ? "" : ", ") + quote_ident(columns_[i].field);
              marks += marks.empty() ? "?" : ", ?";
            }
            insert_sql_ = names.empty()
                              ? "INSERT INTO " + table + " DEFAULT VALUES"
                              : "INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ")";
            insert_columns_ = std::move(written);
          }
          // An insert that did not fail wrote its row; asking would cost a round trip.
          ejecutar(insert_sql_, params, false);
          continue;
        }
        std::string sets;
        for (std::size_t i = 0; i < columns_.size(); ++i) {
          if (columns_[i].read_only || r.current[i] == r.original[i]) continue;
          sets += (sets.empty() ? "" : ", ") + quote_ident(columns_[i].field) + " = ?";
          params.push_back(r.current[i]);
        }
        if (sets.empty()) continue;  // edited back to what it was: nothing to write
        std::string sql = "UPDATE " + table + " SET " + sets;
        locate(r, sql, params);
        exige(ejecutar(sql, params, true), 1);
      }
    }
    own.commit();  // nothing to do for the single insert
  } catch (const Error& e) {
    if (single_insert) impl.automatica.rollback_quietly();
    conn_->lost(e);  // before the sink, which may end the work at a lost link
    sink.apply_failed(e);
    return 1;
  } catch (const ClientError& e) {
    if (single_insert) impl.automatica.rollback_quietly();
    sink.apply_failed(e);
    return 1;
  }

  // An unchanged row already holds what it was read with: only the written ones take
  // their new values as original (copying every row would make a set applied row by
  // row, as a detail copy is, cost the square of its rows).
  for (Row& r : rows_) {
    if (r.state == State::Unchanged || r.state == State::Deleted) continue;
    r.original = r.current;
    r.assigned.assign(columns_.size(), false);
    r.state = State::Unchanged;
  }
  if (deleted_ > 0)
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(),
                               [](const Row& r) { return r.state == State::Deleted; }),
                rows_.end());
  deleted_ = 0;
  return 0;
}

}  // namespace db
