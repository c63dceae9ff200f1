int platformSkeletonProbe() { return 0; }
