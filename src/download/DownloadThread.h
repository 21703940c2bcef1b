#pragma once
// TDownloadThread runs one download workflow on a worker thread of its own, so that the
// launcher window keeps processing messages. Every event is called directly on the worker.
#include <exception>
#include <functional>
#include <string>

#include "DownloadProgram.h"
#include "Locks.h"
#include "NotifyEvent.h"
#include "Thread.h"

namespace skylaunch {

using TOnDownloadComplete = std::function<void(TObject* Sender)>;
// Receives any exception that escaped the workflow or the completion handler.
using TOnError = std::function<void(const std::exception_ptr& ExceptObject)>;

class TDownloadThread : public TThread {
 public:
  explicit TDownloadThread(bool CreateSuspended) : TThread(CreateSuspended) {}

  const std::u16string& DownloadURL() const { return fDownloadURL; }
  void SetDownloadURL(const std::u16string& value) { fDownloadURL = value; }
  const std::u16string& FileName() const { return fFileName; }
  void SetFileName(const std::u16string& value) { fFileName = value; }
  const std::u16string& VersionFileName() const { return fVersionFileName; }
  void SetVersionFileName(const std::u16string& value) { fVersionFileName = value; }
  void SetComponent(const std::u16string& value) { fComponent = value; }
  void SetProduct(const std::u16string& value) { fProduct = value; }

  // Requests the end of the work from any thread: the workflow stops at its next check point.
  void Terminate() override;
  // The upper bound of the progress display: DownloadSize div 4096 + 1 while the workflow
  // exists, else 0.
  int32_t MaxStatus() const;

  TNonVCLNotifyEvent OnFileChange;
  TOnUpdateDownloadStatus OnUpdateDownloadStatus;
  TOnDownloadComplete OnDownloadComplete;
  TOnUpdateStatusText OnUpdateStatusText;
  TOnError OnError;

 protected:
  void Execute() override;

 private:
  void RunWorkflow();

  std::u16string fDownloadURL;
  std::u16string fComponent;
  std::u16string fVersionFileName;
  std::u16string fFileName;
  std::u16string fProduct;
  // Exists only while Execute runs. Terminate and MaxStatus reach it under the lock, so neither
  // touches a workflow that Execute is releasing.
  TOwned<TDownloadProgram> fDownloadProgram;
  mutable TLock fProgramLock;
};

}  // namespace skylaunch
