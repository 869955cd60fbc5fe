// Windows: the link of a remote attachment is not looked at; a call that waits longer
// than its bound is cancelled through the client instead.
#include "plataforma/red.h"

namespace plataforma {

Sockets sockets_abiertos() { return {}; }
Enchufe Enchufe::nuevo(const Sockets&, int) { return {}; }
Enchufe::~Enchufe() = default;
Enchufe::Enchufe(Enchufe&&) noexcept {}
Enchufe& Enchufe::operator=(Enchufe&&) noexcept { return *this; }
std::optional<std::chrono::milliseconds> Enchufe::silencio() const { return std::nullopt; }
void Enchufe::cortar() const {}

}  // namespace plataforma
