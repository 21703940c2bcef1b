#pragma once
// InternetList: the process-wide list of the asynchronous HTTP clients that currently have an
// open internet handle. The status callback finds the client of a notification in it by the
// notification's context value.
//
// The module's start-up step (InitializeOrbInternet) creates the list and registers the internal
// window's class; the shutdown step (FinalizeOrbInternet) undoes both. The program runs them
// explicitly, after the library list's start-up and before its shutdown, while no client exists.
#include <windows.h>

#include <vector>

#include "Locks.h"

namespace skylaunch {

class TInternet;

void InitializeOrbInternet();
void FinalizeOrbInternet();

class TInternetList {
 public:
  // Adding a client already listed changes nothing.
  void Add(TInternet* client);
  void Remove(TInternet* client);

  // The client whose current request has the context `context`, with the notification counted
  // as in flight; null when no listed client has that context or the client is being cancelled.
  // The look-up and the count happen under the list's lock, so a client that Cancel has marked
  // (under the same lock) gets no new notification, and one that a notification found is not
  // freed before the notification has finished with it.
  TInternet* EnterNotification(DWORD_PTR context);

  // Marks the client as being cancelled: no notification enters it from now on.
  void BeginTermination(TInternet* client);

 private:
  TLock fLock;
  std::vector<TInternet*> fClients;
};

// The list; null while the module has not been started.
TInternetList* InternetList();

// A context value for a new request: unique within the process, never 0.
DWORD_PTR NewRequestContext();

}  // namespace skylaunch
