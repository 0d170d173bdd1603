// A table of files a decoder must refuse, each with the reason it must give.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace icogen::picture::test {

struct BadCase {
    std::string name;
    std::vector<std::uint8_t> bytes;
    Failure failure;
};

inline void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.name;
}

inline std::string badCaseName(const ::testing::TestParamInfo<BadCase>& info) {
    return info.param.name;
}

inline void expectRefused(const DecodeResult& result, Failure failure) {
    ASSERT_FALSE(result);
    EXPECT_EQ(result.failure, failure) << failureName(result.failure);
}

}  // namespace icogen::picture::test
