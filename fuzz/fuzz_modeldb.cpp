// libFuzzer target: the model database loader and its look-ups over arbitrary documents.
#include "fuzz/exercise_modeldb.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ExerciseModelDatabase(data, size);
    return 0;
}
