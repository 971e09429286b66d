# A refused element of a many-dimensional argument is named by its own index,
# the first axis first.
import numpy as np
import pytest

from conftest import helisolv


@pytest.mark.parametrize("flat,named", [(3, r"pitch_ratio\[1, 0\]"), (5, r"pitch_ratio\[1, 2\]"),
                                        (2, r"pitch_ratio\[0, 2\]")])
def test_a_refused_element_is_named_by_its_index(flat, named):
    pd = np.ones((2, 3))
    pd.flat[flat] = np.nan
    with pytest.raises(ValueError, match=named):
        helisolv.open_water("wageningen", 4, 0.55, pd, 0.5)
