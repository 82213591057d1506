#include "platform/digest/Digest.h"

#include <openssl/evp.h>

namespace digest {

struct Sha256::State {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    bool ok = context != nullptr && EVP_DigestInit_ex(context, EVP_sha256(), nullptr) == 1;
    ~State() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256() : m_state(std::make_unique<State>()) {}

Sha256::~Sha256() = default;

void Sha256::Add(const void* bytes, SIZE_T length) {
    m_state->ok = m_state->ok && EVP_DigestUpdate(m_state->context, bytes, length) == 1;
}

std::string Sha256::Finish() {
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!m_state->ok || EVP_DigestFinal_ex(m_state->context, hash, &length) != 1)
        return {};
    m_state->ok = false;
    constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kDigits[hash[i] >> 4];
        hex += kDigits[hash[i] & 0xF];
    }
    return hex;
}

} // namespace digest
