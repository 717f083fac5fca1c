#pragma once
// What constructing a reader gives: the exception's type and message, or "ok".
#include <string>

#include "processes/VerInfo.h"

namespace corvanta::test {

inline std::string ConstructionOutcome(const std::string& file, const VersionLibrary& library) {
    try {
        TVerInfoRes reader(file, library);
        return "ok";
    } catch (const ENoVerInfoError& e) {
        return "ENoVerInfoError: " + e.Message();
    } catch (const EVerInfoError& e) {
        return "EVerInfoError: " + e.Message();
    } catch (const eNoFixeVerInfo& e) {
        return "eNoFixeVerInfo: " + e.Message();
    }
}

}  // namespace corvanta::test
