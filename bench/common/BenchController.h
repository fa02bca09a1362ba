#ifndef BENCHCONTROLLER_H
#define BENCHCONTROLLER_H

#include <QByteArray>

class CnfController;

// Deterministic controllers of a given size for the benchmarks, built through
// the model's public operations only, so that every reader and writer is
// measured on the same shape of configuration.
namespace BenchController {

// Which document the controller is meant for: a format leaves out the kinds
// of program it cannot hold.
enum class Target {
    Project,  // every kind of program
    NorvakII, // no raw 3.x records (kind NorvakSpecial): they belong to the images
    // Neither raw 3.x records nor the kinds ZT_LOOM has no algorithm for
    // (Off, Timer, Coord), so that its writer takes the controller; nor
    // sensors, which the format has no place for. Every power device has its
    // group already, as the format needs.
    ZtLoom,
};

// Fills `controller` (assumed empty) with `n` signal groups of mixed types,
// n/2 power devices, n/4 detectors, n/8 sensors, n phases of 2-6 groups,
// 10 conflict partners per group with an intergreen matrix on the same pairs,
// n/2 programs of every kind with 2-8 steps, n/4 daily cards, 3 + n/100
// weekly cards, up to 300 special days, 2 + n/200 season plans and a native
// data tree of about n entries.
void build(CnfController& controller, int n, Target target = Target::Project);

// The project document of the controller of size `n`; cached per size.
QByteArray projectDocument(int n);
// The NorvakII document of the controller of size `n`; cached per size.
QByteArray norvakIIDocument(int n);
// The ZT_LOOM document of the controller of size `n`; cached per size.
QByteArray ztLoomDocument(int n);

} // namespace BenchController

#endif
