#include "gate/lock_claim.h"

namespace vk {

void claimMarkerName(std::uint16_t tag, char (&name)[kClaimMarkerNameSize]) {
  static const char kPrefix[] = "Vantak.claim.";
  std::size_t n = 0;
  for (; kPrefix[n] != '\0'; ++n) name[n] = kPrefix[n];
  char digits[5];
  std::size_t d = 0;
  do {
    digits[d++] = static_cast<char>('0' + tag % 10);
    tag = static_cast<std::uint16_t>(tag / 10);
  } while (tag != 0);
  while (d > 0) name[n++] = digits[--d];
  name[n] = '\0';
}

void ActiveClaims::seed(std::uint32_t processId) {
  // Spread neighbouring process ids over the tag space.
  counter_.store(processId * 40503u, std::memory_order_relaxed);
}

std::uint16_t ActiveClaims::nextCandidate() {
  for (;;) {
    const std::uint16_t tag = static_cast<std::uint16_t>(counter_.fetch_add(1, std::memory_order_relaxed));
    if (tag != 0) return tag;
  }
}

bool ActiveClaims::add(std::uint16_t tag) {
  for (auto& slot : slots_) {
    std::uint16_t expected = 0;
    if (slot.compare_exchange_strong(expected, tag)) return true;
  }
  return false;
}

void ActiveClaims::remove(std::uint16_t tag) {
  for (auto& slot : slots_) {
    std::uint16_t expected = tag;
    if (slot.compare_exchange_strong(expected, 0)) return;
  }
}

bool ActiveClaims::contains(std::uint16_t tag) const {
  for (const auto& slot : slots_) {
    if (slot.load() == tag) return true;
  }
  return false;
}

ClaimStatus inspectClaim(KernelObjects& kernel, const ActiveClaims& claims, const RecordRef& record) {
  const std::uint16_t tag = record.claimTag();
  // A claim without a tag was not made by this library's claim; nobody can
  // prove it alive.
  if (tag == 0) return ClaimStatus::Stale;
  // Ours: the prompt is further up a stack of this process (maybe this very
  // thread, whose wait on its own marker would succeed).
  if (claims.contains(tag)) return ClaimStatus::Busy;

  char name[kClaimMarkerNameSize];
  claimMarkerName(tag, name);
  KernelHandle marker = kernel.openMutex(name);
  if (marker == nullptr) return ClaimStatus::Stale;  // its process is gone
  ClaimStatus status = ClaimStatus::Busy;
  switch (kernel.waitMutex(marker, 0)) {
    case WaitResult::TimedOut:
      status = ClaimStatus::Busy;  // its owner is alive and still prompting
      break;
    case WaitResult::Acquired:
    case WaitResult::Abandoned:
      // The owner let go (or died) without clearing the record.
      kernel.releaseMutex(marker);
      status = ClaimStatus::Stale;
      break;
    case WaitResult::Failed:
      // Cannot tell; keep the lock refused rather than risk two prompts.
      status = ClaimStatus::Busy;
      break;
  }
  kernel.closeMutex(marker);
  return status;
}

static bool tagInTable(const LockTableView& view, std::uint16_t tag) {
  const std::uint32_t n = view.usableRecordCount();
  for (std::uint32_t i = 0; i < n; ++i) {
    if (view.record(i).claimTag() == tag) return true;
  }
  return false;
}

bool beginClaim(KernelObjects& kernel, ActiveClaims& claims, const LockTableView& view,
                const RecordRef& record, Claim& claim) {
  for (int attempt = 0; attempt < kClaimTagAttempts; ++attempt) {
    const std::uint16_t tag = claims.nextCandidate();
    // A tag still left in some record (a stale claim) would make that record
    // look alive again once our marker exists.
    if (tagInTable(view, tag)) continue;
    char name[kClaimMarkerNameSize];
    claimMarkerName(tag, name);
    KernelHandle existing = kernel.openMutex(name);
    if (existing != nullptr) {
      kernel.closeMutex(existing);
      continue;
    }
    // Claims are made under the table mutex, so nobody else can create this
    // marker between the test above and this call.
    KernelHandle marker = kernel.createMutex(name, true);
    if (marker == nullptr) continue;
    if (!claims.add(tag)) {
      kernel.releaseMutex(marker);
      kernel.closeMutex(marker);
      return false;
    }
    record.setPromptBusy(1);
    record.setClaimTag(tag);
    claim.tag = tag;
    claim.marker = marker;
    return true;
  }
  return false;
}

void clearClaim(const RecordRef& record) {
  record.setPromptBusy(0);
  record.setClaimTag(0);
}

void releaseClaim(KernelObjects& kernel, ActiveClaims& claims, Claim& claim) {
  if (claim.tag != 0) claims.remove(claim.tag);
  if (claim.marker != nullptr) {
    kernel.releaseMutex(claim.marker);
    kernel.closeMutex(claim.marker);
  }
  claim = Claim();
}

std::int32_t findClaimedRecord(const LockTableView& view, std::int32_t claimedIndex,
                               std::uint16_t tag) {
  const std::uint32_t n = view.usableRecordCount();
  if (claimedIndex < 0 || n == 0 || tag == 0) return -1;
  std::uint32_t j = static_cast<std::uint32_t>(claimedIndex);
  if (j >= n) j = n - 1;
  for (;;) {
    const RecordRef r = view.record(j);
    if (r.promptBusy() != 0 && r.claimTag() == tag) return static_cast<std::int32_t>(j);
    if (j == 0) return -1;
    --j;
  }
}

}  // namespace vk
