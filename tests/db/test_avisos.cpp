// The queue's listener on the embedded engine and a company database made by the schema
// script: a pending event inserted into the queue reaches it through the script's trigger,
// the count it starts from and the rows the trigger leaves out wake nobody, and a listener
// whose attachment was lost listens again at the next escuchar.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "db/avisos.h"
#include "db/connection.h"
#include "schema/esquema.h"
#include "support/proceso.h"
#include "support/temp.h"

using testing_support::hasta;

namespace {

void encolar(db::Connection& c, const char* compania, bool sellado = false) {
  c.execute(std::string("INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, "
                        "RPEV_FECREG, RPEV_HORAREG, RPEV_FECREP, RPEV_OPER) VALUES ('") +
            compania + "', 11, 1, '2026-12-08', '10:00:00', " +
            (sellado ? "'2026-12-08'" : "NULL") + ", 'I')");
}

std::int64_t conexiones(db::Connection& c) {
  c.end_reads();  // the monitoring tables are a snapshot per transaction
  return c.query("SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$SYSTEM_FLAG = 0")
      .at(0, 0)
      .as_integer();
}

}  // namespace

TEST(Avisos, AQueuedEventWakesTheListenerAndALostAttachmentIsOpenedAgain) {
  testing_support::TempDir dir;
  const db::ConnectParams params = testing_support::embedded(dir / "cia.fdb");
  schema::create_database(schema::Kind::Company, dir / "cia.fdb");
  db::Connection c("prueba");
  c.set_params(params);

  db::Avisos avisos;
  std::atomic<int> dichos{0};
  avisos.al_avisar([&] { ++dichos; });
  avisos.escuchar(params);
  ASSERT_TRUE(avisos.escuchando());
  // The engine answers a registration from scratch at once, and rows the trigger leaves
  // out (stamped, or with no addressee) post nothing: none of it wakes the listener.
  encolar(c, "002", true);
  encolar(c, "");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(avisos.tomar());
  EXPECT_EQ(dichos, 0);

  encolar(c, "002");
  ASSERT_TRUE(hasta([&] { return avisos.tomar(); }, 5));
  EXPECT_EQ(dichos, 1);
  // Asked again while it still answers, it keeps its one attachment.
  avisos.escuchar(params);
  EXPECT_EQ(conexiones(c), 2);

  // Its attachment ends behind its back (an administrator, a server restart): the next
  // escuchar finds out and listens on a new one.
  c.execute("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
  avisos.escuchar(params);
  ASSERT_TRUE(avisos.escuchando());
  EXPECT_EQ(conexiones(c), 2);
  encolar(c, "003");
  ASSERT_TRUE(hasta([&] { return avisos.tomar(); }, 5));
  EXPECT_EQ(dichos, 2);

  avisos.cerrar();
  EXPECT_FALSE(avisos.escuchando());
  EXPECT_EQ(conexiones(c), 1);
}
