// The one converter between the suite's code page and the program's UTF-8, and what
// depends on the platform around it.
#include <gtest/gtest.h>

#include <clocale>
#include <stdexcept>
#include <string>

#include "plataforma/pagina_codigos.h"

using plataforma::PaginaCodigos;

TEST(PaginaCodigos, Windows1252RoundTripsTheSuitesTextAndSaysWhatItCannotHold) {
  const PaginaCodigos p(plataforma::kPaginaPorDefecto);
  // "Compañía Ñandú, 3,50 €": ñ F1, í ED, Ñ D1, ú FA, € 80 (where Latin-1 has a control).
  const std::string bytes =
      "Compa\xF1\xED"
      "a \xD1"
      "and\xFA, 3,50 \x80";
  EXPECT_EQ(p.a_utf8(bytes), "Compañía Ñandú, 3,50 €");
  EXPECT_EQ(p.de_utf8_exacto("Compañía Ñandú, 3,50 €"), bytes);
  // A byte the page leaves undefined is shown as such (Windows' own table gives it the
  // control character of the same number); decoding never fails.
#ifdef _WIN32
  EXPECT_EQ(p.a_utf8("a\x81z"), "a\xC2\x81z");
#else
  EXPECT_EQ(p.a_utf8("a\x81z"), "a\uFFFDz");
#endif
  // "Ł" has no byte in Windows-1252: refused exactly, "?" otherwise, never a look-alike.
  EXPECT_EQ(p.de_utf8_exacto("Łódź"), std::nullopt);
  EXPECT_EQ(p.de_utf8("Łódź"),
            "?\xF3"
            "d?");
  // Other pages by name: the same bytes are other characters.
  EXPECT_EQ(PaginaCodigos("ISO-8859-15").a_utf8("\xA4"), "€");
  EXPECT_EQ(PaginaCodigos("CP850").a_utf8("\xA5"), "Ñ");
  EXPECT_EQ(PaginaCodigos("1252").a_utf8("\x80"), "€");
  try {
    PaginaCodigos("NO-EXISTE-9");
    FAIL() << "an unknown page was accepted";
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(e.what(), plataforma::textos::pagina_desconocida("NO-EXISTE-9"));
  }
}

TEST(PaginaCodigos, TheSuitesPageIsChosenOnceForTheWholeProgram) {
  EXPECT_EQ(plataforma::pagina_suite().nombre(), plataforma::kPaginaPorDefecto);
  EXPECT_THROW(plataforma::elegir_pagina_suite("NO-EXISTE-9"), std::invalid_argument);
  EXPECT_EQ(plataforma::desde_suite("\xA4"), "¤");  // unchanged by the refused name
  plataforma::elegir_pagina_suite("ISO-8859-15");
  EXPECT_EQ(plataforma::desde_suite("\xA4"), "€");
  EXPECT_EQ(plataforma::hacia_suite("€"), "\xA4");
  plataforma::elegir_pagina_suite(plataforma::kPaginaPorDefecto);
  EXPECT_EQ(plataforma::hacia_suite("€"), "\x80");
}

TEST(PaginaCodigos, TextForReadersThatTakeOnlyUtf8) {
  // Whatever a text was built from, what a JSON reader gets is UTF-8.
  EXPECT_EQ(plataforma::utf8_valido("ñ \xF1 \xE2\x82"), "ñ \uFFFD \uFFFD");
  // The server quotes file names in UTF-8 and the suite's data in its code page.
  EXPECT_EQ(plataforma::desde_servidor("for file \"/srv/Compañía/x.fdb\""),
            "for file \"/srv/Compañía/x.fdb\"");
  EXPECT_EQ(plataforma::desde_servidor("(\"PREF\" = '\xD1\x31')"), "(\"PREF\" = 'Ñ1')");
}

#ifndef _WIN32
TEST(PaginaCodigos, TheConsoleGetsTheLocalesEncoding) {
  const std::string antes = std::setlocale(LC_CTYPE, nullptr);
  ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
  EXPECT_EQ(plataforma::para_consola("Compañía"), "Compa??a");
  ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
  EXPECT_EQ(plataforma::para_consola("Compañía"), "Compañía");
  EXPECT_EQ(plataforma::del_sistema("clave \xC3\xB1"), "clave ñ");
  std::setlocale(LC_CTYPE, antes.c_str());
}
#endif
