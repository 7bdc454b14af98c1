#include "lifted/GitErrorReport.h"

#include <git2.h>

namespace velders {

void ReportGitError(ReportSite& site, int result) {
  const git_error* last = git_error_last();
  Report(site, {{"result", result},
                {"arg1", 0},
                {"error", last ? last->klass : 0},
                {"message", last && last->message ? last->message : ""}});
}

}  // namespace velders
