#include "processes/version_library.h"

namespace corvanta {

const VersionLibrary& SystemVersionLibrary() { return PortableVersionLibrary(); }

}  // namespace corvanta
