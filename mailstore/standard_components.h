// The component's real stores and writers, registered as the process-wide setup that every
// session made without a setup of its own takes. The front ends call it once at start-up.
#pragma once

namespace qm::mail {

void useStandardComponents();

}  // namespace qm::mail
