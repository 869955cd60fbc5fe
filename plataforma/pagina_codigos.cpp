#include "plataforma/pagina_codigos.h"

#include <mutex>

namespace plataforma {
namespace {

std::mutex& cerrojo() {
  static std::mutex m;
  return m;
}

PaginaCodigos& en_vigor() {
  static PaginaCodigos p(kPaginaPorDefecto);
  return p;
}

const PaginaCodigos& utf8() {
  static const PaginaCodigos p("UTF-8");
  return p;
}

}  // namespace

PaginaCodigos pagina_suite() {
  std::lock_guard<std::mutex> l(cerrojo());
  return en_vigor();
}

void elegir_pagina_suite(std::string_view nombre) {
  PaginaCodigos nueva(nombre);  // throws before anything changes
  std::lock_guard<std::mutex> l(cerrojo());
  en_vigor() = std::move(nueva);
}

std::string desde_suite(std::string_view bytes) { return pagina_suite().a_utf8(bytes); }

std::string hacia_suite(std::string_view utf8) { return pagina_suite().de_utf8(utf8); }

std::optional<std::string> hacia_suite_exacto(std::string_view utf8) {
  return pagina_suite().de_utf8_exacto(utf8);
}

std::string utf8_valido(std::string_view texto) { return utf8().a_utf8(texto); }

std::string desde_servidor(std::string_view bytes) {
  std::string tal_cual = utf8_valido(bytes);
  return tal_cual == bytes ? tal_cual : desde_suite(bytes);
}

}  // namespace plataforma
