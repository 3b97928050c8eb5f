#pragma once

#include <memory>

namespace vireo {

struct ServerContext;

// How long a connection thread waits on the listener for a visitor before it ends, when other
// threads wait there too.
inline constexpr int kIdleThreadSeconds = 30;

// Starts a detached connection thread that waits on the server's listening socket for a visitor,
// takes the connection, asks the server's admission rules, answers its one request and closes it,
// then waits for the next one. Each connection has the thread to itself from its first byte to its
// last. Only a few threads wait in accept at a time; the others are parked until one of those takes
// a connection. A thread ends when the server stops listening, when enough threads are parked
// already, or when it has waited for the idle limit while others wait too. Nothing happens when no
// thread can be had.
void StartConnectionThread(const std::shared_ptr<ServerContext>& context);

// Asks a parked connection thread to come and wait in accept; false when none is parked.
bool CallParkedThread(ServerContext& context);
// Opens (at the start of listening) or closes (at its end) the server's parking place; closing
// ends the threads parked there.
void SetParkingOpen(ServerContext& context, bool open);

}  // namespace vireo
