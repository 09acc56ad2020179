#pragma once
// The LRU block cache behind read_buffered_block. A block is identified by
// (tablespace, rdba); the hash uses the rdba alone. Slots live in one buffer
// and are reused in place once the cache is full.

#include "base/zem_hash.h"

constexpr ub4 BUFFER_CACHE_BUCKET_CNT = 16384;

typedef struct _tag_buffer_cache_item {
    ub1* buffer;
    ub4 ts_no;
    ub4 rdba;
    PZEM_LIST_ITEM hash_bucket_list_item;
    PZEM_LIST_ITEM lru_list_item;
} BUFFER_CACHE_ITEM, *PBUFFER_CACHE_ITEM;

typedef struct _tag_block_buffer_cache {
    ub2 block_size;
    ub4 block_count;
    ub4 used_block_count;
    ub1* buffer;
    ZEM_LIST block_list;
    ZEM_HASH_TABLE block_hash_table;
} BLOCK_BUFFER_CACHE, *PBLOCK_BUFFER_CACHE;

extern BLOCK_BUFFER_CACHE block_buffer_cache;

void init_block_buffer_cache(PBLOCK_BUFFER_CACHE cache, ub4 block_size, ub4 block_count);
void release_block_buffer_cache(PBLOCK_BUFFER_CACHE cache);
PBUFFER_CACHE_ITEM search_block_buffer_cache(PBLOCK_BUFFER_CACHE cache, ub4 ts_no, ub4 rdba, ub4 block_size);
void move_buffer_cache_mru(PBLOCK_BUFFER_CACHE cache, PBUFFER_CACHE_ITEM item);
void copy_block_to_buffer_cache(PBLOCK_BUFFER_CACHE cache, const ub1* block, ub4 ts_no, ub4 rdba, ub4 block_size);
// Drops every cached block, keeping block size and capacity.
void empty_block_buffer_cache(PBLOCK_BUFFER_CACHE cache);
// After a configuration load: rebuild (and so empty) the global cache when
// the configured block size or buffer count no longer match it.
void rebuild_block_buffer_cache_if_changed();
