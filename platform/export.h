// rulecore: an embeddable expert-system shell.
// The one export macro of the rulecore library. Everything a host or a test
// may call carries RULECORE_API; the rest stays hidden in the shared object.
#pragma once

#if defined(RULECORE_BUILDING)
#define RULECORE_API __attribute__((visibility("default")))
#else
#define RULECORE_API __attribute__((visibility("default")))
#endif
