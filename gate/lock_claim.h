// Who is prompting for a lock. A record's promptBusy byte keeps a lock to one
// prompt at a time across processes; the claim tag next to it names a marker
// mutex that the claiming thread owns for as long as the claim lasts, so that a
// claim left behind by a killed process can be told from a live one: its
// marker is gone, or comes back abandoned.
//
// Every function here that touches a record expects the table mutex held.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "common/lock_table.h"
#include "platform/kernel_objects.h"

namespace vk {

// One process cannot hold more claims than the table has records.
constexpr std::size_t kMaxActiveClaims = 128;
static_assert(kMaxActiveClaims >= kSectionRecordCapacity, "room for a claim on every record");

// "Vantak.claim.<tag>" with the tag in decimal.
constexpr std::size_t kClaimMarkerNameSize = 24;
void claimMarkerName(std::uint16_t tag, char (&name)[kClaimMarkerNameSize]);

// The claims this process holds right now. Several window threads of one
// process may prompt at once, and a claim is dropped without the table mutex
// when the final wait times out, so the slots are atomics rather than relying
// on the table mutex. No allocation.
class ActiveClaims {
 public:
  ActiveClaims() = default;
  ActiveClaims(const ActiveClaims&) = delete;
  ActiveClaims& operator=(const ActiveClaims&) = delete;

  // Starts this process's run of candidate tags somewhere of its own, so that
  // processes rarely try each other's tags.
  void seed(std::uint32_t processId);
  // The next candidate tag; never 0.
  std::uint16_t nextCandidate();

  bool add(std::uint16_t tag);
  void remove(std::uint16_t tag);
  bool contains(std::uint16_t tag) const;

 private:
  std::atomic<std::uint16_t> slots_[kMaxActiveClaims]{};
  std::atomic<std::uint32_t> counter_{0};
};

// A claim held by the running check: its tag and its owned marker mutex.
struct Claim {
  std::uint16_t tag = 0;
  KernelHandle marker = nullptr;
};

enum class ClaimStatus {
  Busy,   // a live prompt or action holds the lock
  Stale,  // promptBusy is set but nobody holds the claim any more
};

// How many candidate tags a claim tries before giving up.
constexpr int kClaimTagAttempts = 64;

// The record has promptBusy = 1: is that claim alive? A tag of this process is
// alive by definition (the check that made it is further up some stack); for
// another process's tag the marker decides. Waits on the marker with 0 ms.
ClaimStatus inspectClaim(KernelObjects& kernel, const ActiveClaims& claims, const RecordRef& record);

// Claim the record: pick a tag that no record carries and whose marker does
// not exist, create the marker owned, note the tag as ours, then set
// promptBusy = 1 and claimTag. False (nothing changed) when no marker could be
// made.
bool beginClaim(KernelObjects& kernel, ActiveClaims& claims, const LockTableView& view,
                const RecordRef& record, Claim& claim);

// Clear a record's claim fields.
void clearClaim(const RecordRef& record);

// Give up the marker and forget the tag. The record is not touched, so this
// may run without the table mutex.
void releaseClaim(KernelObjects& kernel, ActiveClaims& claims, Claim& claim);

// Records move down when the manager deletes an earlier one. Find the record
// that still carries our claim: the claimed index first, then lower ones.
// -1 when it is gone (the lock was deleted or its record replaced).
std::int32_t findClaimedRecord(const LockTableView& view, std::int32_t claimedIndex,
                               std::uint16_t tag);

}  // namespace vk
