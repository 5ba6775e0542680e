#include "platform/registry/registry_batch.h"

#include "platform/linux/registry_state.h"

namespace plat {

RegBatch::RegBatch() {
    m_held = reg::BeginBatch();
}

RegBatch::~RegBatch() {
    End();
}

LONG RegBatch::End() {
    if (m_ended || !m_held)
        return ERROR_SUCCESS;
    m_ended = true;
    return reg::EndBatch();
}

} // namespace plat
