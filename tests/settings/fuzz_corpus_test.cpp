// Replays the model database fuzzer's seeds and found cases.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/exercise_modeldb.h"

namespace {

TEST(ModelDatabaseFuzzCorpus, EveryCaseRunsCleanly) {
    // ZD_TEST_DATA is <repository>/tests/data.
    const std::filesystem::path corpus =
        std::filesystem::path(ZD_TEST_DATA).parent_path().parent_path() / "fuzz" / "corpus" /
        "modeldb";
    int cases = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        SCOPED_TRACE(entry.path().filename().string());
        ExerciseModelDatabase(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++cases;
    }
    EXPECT_GT(cases, 0);
}

}  // namespace
