#pragma once

#include <optional>
#include <string>
#include <vector>

#include "project/Steps.h"

namespace velders {
namespace project {

// How far a run of the steps got.
struct StepsReport {
  bool complete = false;  // every planned step is done
  // When not complete: the first failure, and whether everything the run had
  // done was then taken back (the folder is as it was before it).
  FailureKind failureKind = FailureKind::kException;
  std::string failure;
  bool putBack = false;
  std::string putBackFailure;  // why it could not all be taken back
};

// Each function below runs `steps`, which in the program are always
// RecoverySteps(); a step is passed over when the journal does not plan it.

// Applies the planned steps in order. On a failure, takes back the failed
// step and every one before it, in reverse order.
StepsReport ApplySteps(StepContext& context, const std::vector<Step>& steps = RecoverySteps());

// For a run that stopped after the commit point: applies each planned step
// that is not done yet. Nothing is taken back on a failure.
StepsReport FinishSteps(StepContext& context, const std::vector<Step>& steps = RecoverySteps());

// Takes back every planned step, in reverse order; none when all are, else
// the reason why not.
std::optional<std::string> TakeBackSteps(StepContext& context,
                                         const std::vector<Step>& steps = RecoverySteps());

// Whether a run that stopped with the context's journal in progress had
// passed its commit point: it was recovering and the commit-point step is
// done. Only reads; throws what that step's check throws.
bool PassedCommitPoint(StepContext& context, const std::vector<Step>& steps = RecoverySteps());

// For a run that stopped with the context's journal in progress: finishes
// it when it had passed its commit point (FinishSteps; the report is then
// complete unless a step failed), else takes every step back (the report
// is then not complete and either `putBack` or with the reason in
// `failure`).
StepsReport ResumeSteps(StepContext& context, const std::vector<Step>& steps = RecoverySteps());

// Once every step is done, the journal becomes the record of the recovery.
// A failure here leaves the journal in progress with every step done; the
// next run finds that and closes it, so it is not a failure of the recovery.
bool CloseJournal(const StepContext& context);

}  // namespace project
}  // namespace velders
