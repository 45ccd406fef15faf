// containers.h - Array and Map, the engine namespace's two container templates.
//
// Thin wrappers over std::vector and std::map<std::string, T> with the index-based,
// pointer-friendly interface the whole program uses. Neither owns what pointer elements point
// to. Map positions count in ascending key order (keys compared byte by byte as unsigned
// characters), not insertion order; Map::get(i) walks from the first entry, so looping over all
// indices costs quadratic time and is meant for small maps.
//
// The instantiations the program uses are compiled and exported once, in containers.cpp.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace BRAVIK_LUMENVAT {

template <typename T>
class Array {
public:
    Array() = default;
    Array(const Array& other) = default;
    Array& operator=(const Array& other)
    {
        if (this != &other)
            items = other.items;
        return *this;
    }
    ~Array() = default;

    void add(T value) { items.push_back(value); }
    // Range-checked: throws std::out_of_range when index >= size().
    T get(unsigned int index) const { return items.at(index); }
    void set(int index, T value) { items[static_cast<size_t>(index)] = value; }
    void swap(int a, int b)
    {
        T t = get(static_cast<unsigned>(a));
        set(a, get(static_cast<unsigned>(b)));
        set(b, t);
    }
    T getFirst() const { return get(0); }
    T getLast() const { return get(size() - 1); }
    unsigned int getIndex(T value) const
    {
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == value)
                return static_cast<unsigned int>(i);
        return 0xFFFFFFFFu;
    }
    // Erases the first element equal to value; returns it, or T() when there is none.
    T remove(T value)
    {
        for (auto it = items.begin(); it != items.end(); ++it) {
            if (*it == value) {
                T found = *it;
                items.erase(it);
                return found;
            }
        }
        return T();
    }
    void clear() { items.clear(); }
    unsigned int size() const { return static_cast<unsigned int>(items.size()); }
    unsigned int getNodeCount() const { return size(); }

    std::vector<T> items;
};

template <typename T>
class Map {
public:
    Map() = default;
    Map(const Map& other) = default;
    Map& operator=(const Map& other)
    {
        if (this != &other) {
            entries.clear();
            entries.insert(other.entries.begin(), other.entries.end());
        }
        return *this;
    }
    ~Map() = default;

    void add(std::string key, T value) { entries[key] = value; }
    void assign(std::string key, T value) { add(key, value); }
    T find(std::string key) const
    {
        auto it = entries.find(key);
        return it == entries.end() ? T() : it->second;
    }
    T getByString(std::string key) const { return find(key); }
    bool exists(std::string key) const { return entries.find(key) != entries.end(); }
    // The value at position index in key order; T() on an empty map.
    T get(unsigned int index) const
    {
        if (entries.empty())
            return T();
        return at(index)->second;
    }
    std::string getKey(unsigned int index) const { return at(index)->first; }
    const std::string* getKeyPointer(unsigned int index) const { return &at(index)->first; }
    unsigned int getIndex(T value) const
    {
        unsigned int position = 0;
        for (const auto& entry : entries) {
            if (entry.second == value)
                return position;
            ++position;
        }
        return 0xFFFFFFFFu;
    }
    unsigned int size() const { return static_cast<unsigned int>(entries.size()); }
    unsigned int getNodeCount() const { return size(); }

    std::map<std::string, T> entries;

private:
    typename std::map<std::string, T>::const_iterator at(unsigned int index) const
    {
        auto it = entries.begin();
        for (unsigned int i = 0; i < index && std::next(it) != entries.end(); ++i)
            ++it;
        return it;
    }
};

} // namespace BRAVIK_LUMENVAT
