#include "gate/win32/prompt_activation.h"

namespace vk {

namespace {

// ISOLATIONAWARE_MANIFEST_RESOURCE_ID: a library's manifest.
constexpr WORD kLibraryManifestId = 2;

}  // namespace

PromptActivation::PromptActivation(HINSTANCE module) noexcept {
  if (module == nullptr) return;
  ACTCTXA request;
  ZeroMemory(&request, sizeof request);
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.hModule = module;
  request.lpResourceName = MAKEINTRESOURCEA(kLibraryManifestId);
  context_ = ::CreateActCtxA(&request);
  if (context_ == INVALID_HANDLE_VALUE) return;
  if (!::ActivateActCtx(context_, &cookie_)) cookie_ = 0;
}

PromptActivation::~PromptActivation() {
  if (cookie_ != 0) ::DeactivateActCtx(0, cookie_);
  if (context_ != INVALID_HANDLE_VALUE) ::ReleaseActCtx(context_);
}

}  // namespace vk
