#include "mevcore/filesupport/DiskInterface.h"

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

}  // namespace filesupport
}  // namespace mevcore
