#pragma once

#include <memory>
#include <mutex>

#include "ocr/OcrRuntime.h"

namespace tarvel {

// The Windows Runtime through its own entry points, bound on first use (so the program also
// starts where there is no runtime), and the OCR classes' interfaces called by their
// published vtable slots. The class factories are obtained once and shared by all threads.
class TWin32WinRTRuntime final : public IWinRTRuntime {
public:
  TWin32WinRTRuntime();
  ~TWin32WinRTRuntime() override;

  std::uint32_t WindowsMajorVersion() override;
  std::int32_t Initialize(int AType) override;
  void Uninitialize() override;
  IOcrEngineStatics& OcrEngineStatics() override;
  ILanguageFactory& LanguageFactory() override;
  ISoftwareBitmapStatics& SoftwareBitmapStatics() override;
  std::unique_ptr<IDataWriter> CreateDataWriter() override;

private:
  struct TFactories;
  std::mutex FLock;
  std::unique_ptr<TFactories> FFactories;
};

} // namespace tarvel
