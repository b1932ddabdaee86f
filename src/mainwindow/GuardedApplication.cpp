#include "mainwindow/GuardedApplication.h"

#include <exception>
#include <new>

namespace velmora {

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        told("Velmora ran out of memory while it was drawing or handling input");
    } catch (const std::exception& error) {
        told(std::string("Velmora met an internal error (") + error.what() + ")");
    } catch (...) {
        told("Velmora met an internal error");
    }
    return false;
}

void GuardedApplication::told(const std::string& what) {
    if (tell)
        tell(what + ". The list is still there: save it (to another file if need be) before you go on.");
}

} // namespace velmora
