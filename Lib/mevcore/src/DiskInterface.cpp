#include "mevcore/filesupport/DiskInterface.h"

#include "mevcore/filesupport/FaultPlan.h"

namespace mevcore {
namespace filesupport {
namespace {

RealDiskInterface& RealDisk() {
  static RealDiskInterface disk;
  return disk;
}

DiskInterface*& CurrentDisk() {
  static DiskInterface* current = &RealDisk();
  return current;
}

}  // namespace

DiskInterface& Disk() { return *CurrentDisk(); }

void SetDisk(DiskInterface* disk) { CurrentDisk() = disk != nullptr ? disk : &RealDisk(); }

bool DiskCallsMayOverlap() { return CurrentDisk() == &RealDisk() && CurrentFaultPlan() == nullptr; }

}  // namespace filesupport
}  // namespace mevcore
