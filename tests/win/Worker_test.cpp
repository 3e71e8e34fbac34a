// The worker's step may fail with anything the standard library throws, or
// with something that is no exception type at all: the launcher's one box
// still gets a KV_Error to tell, never a crash of the worker's thread.
#include "KV_Api.h"
#include "Raised.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

namespace {

TEST(Worker, AStepThatThrowsAnythingEndsInTheLaunchersErrorType) {
    using Row = std::pair<std::function<std::wstring()>, const wchar_t*>;
    for (const auto& [fnStep, raised] :
         {Row{[]() -> std::wstring { throw std::runtime_error("sin respuesta"); },
              L"-2147467259 KV_Api.CurrentError: sin respuesta"},
          Row{[]() -> std::wstring { throw std::bad_alloc(); },
              L"-2147024882 KV_Api.CurrentError: Not enough memory."},
          Row{[]() -> std::wstring { throw 7; },
              L"-2147418113 KV_Api.CurrentError: Error 0x8000FFFF"}}) {
        SCOPED_TRACE(testing::PrintToString(raised));
        KV_Api::Worker worker(fnStep);
        ASSERT_TRUE(worker.Wait(10000));
        EXPECT_EQ(Raised([&worker] { worker.Result(); }), raised);
    }
}

} // namespace
