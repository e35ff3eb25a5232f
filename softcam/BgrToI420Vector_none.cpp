#include "softcam/BgrToI420Rows.h"

namespace softcam {

// No vector kernel on this processor family: the scalar code converts every column.
int convertRowPairVector(const I420RowPair&, int)
{
    return 0;
}

} // namespace softcam
