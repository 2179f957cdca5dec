#pragma once

#include <map>
#include <memory>
#include <vector>

#include "platform/SettingsKey.h"

namespace quarvel::test {

enum class ESettingsCall {
    kOpen,
    kOpenSteam,
    kCreate,
    kQueryValue,
    kQueryDword,
    kSetString,
    kSetDword,
    kClose,
};

// The system's settings keys, on the real file system, with failures injected
// where a test asks for them: "the second SetDword fails with 5", "Close
// fails". Calls are counted over every key it makes. A failing call leaves the
// real key untouched and returns its error, except Close, which closes the
// real key all the same, as a failed RegCloseKey leaves no handle behind.
class CFaultySettingsKeys : public platform::CSettingsKeys {
  public:
    // The nth call of that kind (counted from 1; 0 for every call) fails with the error.
    CFaultySettingsKeys& Fail(ESettingsCall call, int nth, platform::ErrorCode error);

    std::unique_ptr<platform::CSettingsKey> MakeKey() override;

    int Calls(ESettingsCall call) const;
    // Keys opened or created that no Close call has closed, even if the key
    // object has gone since (which closes the real key unseen).
    int UnclosedKeys() const { return m_nUnclosedKeys; }

  private:
    class CKey;

    // Counts the call; the error injected for it, or kErrorSuccess.
    platform::ErrorCode Count(ESettingsCall call);

    struct SFault {
        ESettingsCall m_eCall;
        int m_nNth;
        platform::ErrorCode m_nError;
    };

    platform::CSystemSettingsKeys m_real;
    std::vector<SFault> m_faults;
    std::map<ESettingsCall, int> m_calls;
    int m_nUnclosedKeys = 0;
};

}  // namespace quarvel::test
