#include "orbInternetList.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include "orbInternet.h"

namespace skylaunch {
namespace {

std::unique_ptr<TInternetList> gInternetList;
std::atomic<DWORD_PTR> gLastRequestContext{0};

}  // namespace

void InitializeOrbInternet() {
  TInternalWindow::RegisterWindowClass();
  gInternetList = std::make_unique<TInternetList>();
}

void FinalizeOrbInternet() {
  gInternetList.reset();
  TInternalWindow::UnregisterWindowClass();
}

TInternetList* InternetList() { return gInternetList.get(); }

DWORD_PTR NewRequestContext() {
  DWORD_PTR context = ++gLastRequestContext;
  while (context == 0) context = ++gLastRequestContext;  // 0 marks the unowned handles
  return context;
}

void TInternetList::Add(TInternet* client) {
  const TLocked locked(fLock);
  if (std::find(fClients.begin(), fClients.end(), client) == fClients.end()) fClients.push_back(client);
}

void TInternetList::Remove(TInternet* client) {
  const TLocked locked(fLock);
  fClients.erase(std::remove(fClients.begin(), fClients.end(), client), fClients.end());
}

TInternet* TInternetList::EnterNotification(DWORD_PTR context) {
  const TLocked locked(fLock);
  for (TInternet* client : fClients) {
    if (client->fContext != context) continue;
    if (client->fIsTerminating) return nullptr;
    client->UpdateCallbackCount(TInternet::ccIncrement);
    return client;
  }
  return nullptr;
}

void TInternetList::BeginTermination(TInternet* client) {
  const TLocked locked(fLock);
  client->fIsTerminating = true;
}

}  // namespace skylaunch
