// Any text a client sends as its token, against a request path: read, verified against
// a key the node holds, its claims and rights weighed. Nothing may crash, and nothing
// made of other bytes than a real signature may be let through below an API's base.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "KeyStore.h"
#include "SigningKeys.h"
#include "TokenCheck.h"

namespace {

using namespace velkor::node::auth;

// A public key of no known private half: the input is checked by it, never signed.
constexpr const char* kKeySet =
    R"({"keys":[{"kty":"RSA","alg":"RS512","use":"sig","key_ops":"verify","e":"AQAB","n":)"
    R"("xjlCRBqkzjS9rg9QzBTnuRUqAGGk7zszKN3hCOWO_wIaOJxXFYnuzcRnUd-mM6cDdRfEA5pDqRWEaPpJ6Nn0QoGS5L2V0CbYHHT2i33lYtRmrm8ExmaNn6jr6Ym9X8MLMz8iq5Gp3nhWaRrUR1Uh3zT2gKm6uuv8LDYjExsVCY5eXhqF0R8i1Idli4DMzNZmVEoaSDcO7Sb6pwqr4Ks1jJ4I-MJpr4d91_fwjYJnA1AMlNDRpR8gZYSkPzxZ3I7Ioew_KqZFnH6J_dzHWq6wtd-g9UOUeMl1f_TVSNFOFnMmAr5Dnjoy_TG56hNG8VmW9PSpnZCZO3sF4sc6o_Lrpkz3Cdl9zK5F2SE0HnnOKiq36qtvJ-Tf3A6xA0NjR1gOHHHmgIfE_qC5vn8FP0ds7PLYjxKDcmavBYY4VPeqqNXUeCpqsAi9dOXzG7fFJSN29vyzrP4f_vmaeV3ODlDZaK9KH7dkWAHuBnD2bGU2k5gsLX8lUgjOIsmWLE4M5W9W59yBMh0GHhHw8sZ1lW4E6IiRf_ng6ZL-Zn6Al5f8aPxGvDdNF0Gf2N2frOsmfG_WXMRFZyBS7Gx0hTK4q1A5rSv2z6ZJCnvIU5WDpTjjpXgZXGoDVtbFe7rzKhX5uxWyG26MrgVkZ-7E_9-y8uWQg3EGwqfzQHSHPCE2xnnvC1Qrls"}]})";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static KeyStore keys;
  static const bool taken = (keys.take("https://auth.example.com", readKeySet(kKeySet).keys, 0), true);
  static_cast<void>(taken);
  static const TokenCheck check(keys, [](const std::string&) { return true; }, "node-3.example.com");
  const std::string_view token(reinterpret_cast<const char*>(data), size);
  for (const Access access : {Access::Read, Access::Write}) {
    const Verdict verdict = check.checkRequest("/x-nmos/node/v1.3/self", access, token, 1'800'000'000);
    if (verdict.allowed()) std::abort();
  }
  return 0;
}
