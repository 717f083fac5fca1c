#include "processes/version_library.h"

namespace corvanta {

const VersionLibrary& SystemVersionLibrary() { return PortableVersionLibrary(); }
const VersionLibrary& UncheckedSystemVersionLibrary() { return PortableVersionLibrary(); }

}  // namespace corvanta
