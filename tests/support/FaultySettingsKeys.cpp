#include "FaultySettingsKeys.h"

namespace quarvel::test {

using platform::ErrorCode;
using platform::kErrorSuccess;

class CFaultySettingsKeys::CKey : public platform::CSettingsKey {
  public:
    CKey(CFaultySettingsKeys& keys, std::unique_ptr<platform::CSettingsKey> real)
        : m_keys(keys), m_real(std::move(real)) {}

    ErrorCode Open(const std::string& keyName) override {
        return Opened(ESettingsCall::kOpen, [&] { return m_real->Open(keyName); });
    }
    ErrorCode OpenSteam() override {
        return Opened(ESettingsCall::kOpenSteam, [&] { return m_real->OpenSteam(); });
    }
    ErrorCode Create(const std::string& keyName) override {
        return Opened(ESettingsCall::kCreate, [&] { return m_real->Create(keyName); });
    }
    ErrorCode QueryValue(const std::string& name, std::size_t bufferSize,
                         platform::CSettingsValue& value) const override {
        const ErrorCode injected = m_keys.Count(ESettingsCall::kQueryValue);
        return injected != kErrorSuccess ? injected : m_real->QueryValue(name, bufferSize, value);
    }
    ErrorCode QueryDword(const std::string& name, std::uint32_t& value) const override {
        const ErrorCode injected = m_keys.Count(ESettingsCall::kQueryDword);
        return injected != kErrorSuccess ? injected : m_real->QueryDword(name, value);
    }
    ErrorCode SetString(const std::string& name, const std::string& text) override {
        const ErrorCode injected = m_keys.Count(ESettingsCall::kSetString);
        return injected != kErrorSuccess ? injected : m_real->SetString(name, text);
    }
    ErrorCode SetDword(const std::string& name, std::uint32_t value) override {
        const ErrorCode injected = m_keys.Count(ESettingsCall::kSetDword);
        return injected != kErrorSuccess ? injected : m_real->SetDword(name, value);
    }
    ErrorCode Close() override {
        const ErrorCode injected = m_keys.Count(ESettingsCall::kClose);
        const ErrorCode real = m_real->Close();
        SetOpen(false);
        return injected != kErrorSuccess ? injected : real;
    }

  private:
    template <typename Operation>
    ErrorCode Opened(ESettingsCall call, Operation&& operation) {
        const ErrorCode injected = m_keys.Count(call);
        if (injected != kErrorSuccess) {
            return injected;
        }
        const ErrorCode result = operation();
        // Opening closes a key opened before, whatever the outcome.
        SetOpen(result == kErrorSuccess);
        return result;
    }

    void SetOpen(bool bOpen) {
        m_keys.m_nUnclosedKeys += (bOpen ? 1 : 0) - (m_bOpen ? 1 : 0);
        m_bOpen = bOpen;
    }

    CFaultySettingsKeys& m_keys;
    std::unique_ptr<platform::CSettingsKey> m_real;
    bool m_bOpen = false;
};

CFaultySettingsKeys& CFaultySettingsKeys::Fail(ESettingsCall call, int nth,
                                               platform::ErrorCode error) {
    m_faults.push_back({call, nth, error});
    return *this;
}

std::unique_ptr<platform::CSettingsKey> CFaultySettingsKeys::MakeKey() {
    return std::make_unique<CKey>(*this, m_real.MakeKey());
}

int CFaultySettingsKeys::Calls(ESettingsCall call) const {
    const auto found = m_calls.find(call);
    return found == m_calls.end() ? 0 : found->second;
}

ErrorCode CFaultySettingsKeys::Count(ESettingsCall call) {
    const int nth = ++m_calls[call];
    for (const auto& fault : m_faults) {
        if (fault.m_eCall == call && (fault.m_nNth == 0 || fault.m_nNth == nth)) {
            return fault.m_nError;
        }
    }
    return kErrorSuccess;
}

}  // namespace quarvel::test
