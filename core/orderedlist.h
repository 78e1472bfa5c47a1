#pragma once
// The ordered lists of the system (scene, filters, meshes, children, the shower's
// rectangles) are std::vector; these add the two operations a vector lacks.
#include <algorithm>
#include <utility>
#include <vector>

// Keeps the element argument out of template deduction, so a derived pointer can be
// passed for a list of base pointers: prepend(objects, field).
template<class T> struct OrderedListElement { using type = T; };

template<class T>
void prepend(std::vector<T>& l, typename OrderedListElement<T>::type v)
{
    l.insert(l.begin(), std::move(v));
}

// Removes the first occurrence only; an absent element leaves the list unchanged.
template<class T>
void removeFirst(std::vector<T>& l, const typename OrderedListElement<T>::type& v)
{
    auto it = std::find(l.begin(), l.end(), v);
    if (it != l.end())
        l.erase(it);
}
