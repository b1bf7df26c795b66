#include "hpi/sdk/hpi_parameter.h"

template class HPI_CParameter<bool>;
template class HPI_CParameter<int32_t>;
template class HPI_CParameter<double>;
