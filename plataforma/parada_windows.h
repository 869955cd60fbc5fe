#pragma once
// The console control handler itself, so that the events only the system sends (the
// console closed, log-off, shutdown) can be tested as well: what it answers Windows for
// an event of kind `evento` (CTRL_C_EVENT...), after noting the request and, for the
// events after which Windows ends the process, waiting for parada_cumplida().

namespace plataforma {

int atender_evento_de_consola(unsigned long evento);

}  // namespace plataforma
