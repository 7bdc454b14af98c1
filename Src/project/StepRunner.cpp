#include "project/StepRunner.h"

#include "mevcore/filesupport/DiskInterface.h"

namespace velders {
namespace project {
namespace {

// Takes back steps[0..last], last first.
std::optional<std::string> TakeBackThrough(StepContext& context, const std::vector<Step>& steps,
                                           std::size_t last) {
  for (std::size_t i = last + 1; i-- > 0;) {
    if (!steps[i].planned(context.journal)) continue;
    try {
      steps[i].undo(context);
    } catch (const std::exception& error) {
      return std::string("Unable to take back the step \"") + steps[i].name + "\": " + error.what();
    }
  }
  return std::nullopt;
}

// Applies one step; false, with the failure in the report, when it throws.
bool Apply(const Step& step, StepContext& context, StepsReport* report) {
  try {
    step.apply(context);
    return true;
  } catch (const std::exception& failure) {
    const auto* stepFailure = dynamic_cast<const StepFailure*>(&failure);
    report->failureKind = stepFailure ? stepFailure->kind() : FailureKind::kException;
    report->failure = failure.what();
    return false;
  }
}

// Calls the context's pastWalkStops once no planned step after steps[i] may
// stop the walk.
void SayWhenPastWalkStops(StepContext& context, const std::vector<Step>& steps, std::size_t i) {
  if (!context.pastWalkStops) return;
  for (std::size_t later = i + 1; later < steps.size(); ++later) {
    if (steps[later].mayStopWalk && steps[later].planned(context.journal)) return;
  }
  const std::function<void()> call = std::move(context.pastWalkStops);
  context.pastWalkStops = nullptr;
  call();
}

}  // namespace

StepsReport ApplySteps(StepContext& context, const std::vector<Step>& steps) {
  StepsReport report;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (!steps[i].planned(context.journal)) continue;
    if (Apply(steps[i], context, &report)) {
      SayWhenPastWalkStops(context, steps, i);
      continue;
    }
    const std::optional<std::string> failure = TakeBackThrough(context, steps, i);
    report.putBack = !failure;
    report.putBackFailure = failure.value_or("");
    return report;
  }
  report.complete = true;
  return report;
}

StepsReport FinishSteps(StepContext& context, const std::vector<Step>& steps) {
  StepsReport report;
  for (const Step& step : steps) {
    if (!step.planned(context.journal)) continue;
    bool done;
    try {
      done = step.done(context);
    } catch (const std::exception& failure) {
      report.failure = failure.what();
      return report;
    }
    if (!done && !Apply(step, context, &report)) return report;
  }
  report.complete = true;
  return report;
}

std::optional<std::string> TakeBackSteps(StepContext& context,
                                         const std::vector<Step>& steps) {
  return TakeBackThrough(context, steps, steps.size() - 1);
}

bool PassedCommitPoint(StepContext& context, const std::vector<Step>& steps) {
  return context.journal.direction == Journal::Direction::kRecover &&
         steps[CommitPoint(steps)].done(context);
}

StepsReport ResumeSteps(StepContext& context, const std::vector<Step>& steps) {
  if (PassedCommitPoint(context, steps)) return FinishSteps(context, steps);
  StepsReport report;
  const std::optional<std::string> failure = TakeBackSteps(context, steps);
  report.putBack = !failure;
  report.failure = failure.value_or("");
  return report;
}

bool CloseJournal(const StepContext& context) {
  // No folder sync: should the rename be lost, the next run finds every step
  // done and closes the journal again.
  return mevcore::filesupport::Disk().Rename(InProgressFile(context.project).NativePath(),
                                            RecordFile(context.project).NativePath()) == 0;
}

}  // namespace project
}  // namespace velders
