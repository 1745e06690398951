// A fresh program for every window test: no windows, no messages, start values
// zeroed, and a clock that moves one second each time it is read.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/host.h"
#include "core/settings.h"
#include "toolkit/form.h"
#include "toolkit/testing.h"

namespace lorvane::test {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        tk::testing::begin();
        mdlMain() = Settings{};
        auto& o = tk::testing::overrides();
        o.clock = [this] { return clockNow = clockNow.addSeconds(1); };
        o.windowsDirectory = L"C:\\WINNT";
        o.platformCode = 2;
        o.prevInstance = false;
    }
    void TearDown() override { tk::unloadAllForms(); }

    const std::vector<tk::testing::ShownMessage>& messages() const { return tk::testing::shownMessages(); }

    DateTime clockNow = DateTime::fromCivil({2026, 12, 7, 9, 0, 0});
};

// One row of a table of cases, run as a test of its own on a fresh program:
// `Case` names itself with a `name` field, which becomes the test's name.
template <class Fixture, class Case>
class Table : public Fixture, public ::testing::WithParamInterface<Case> {};

struct CaseName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
        return info.param.name;
    }
};

}  // namespace lorvane::test
